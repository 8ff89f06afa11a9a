// The interactive SMS tables of the shipped database, and the pure pieces of the answer
// cycle: the template merge, the keyword split, the date and SQL text helpers, the list
// reader.

#include "core/AppState.h"
#include "core/InteractiveRules.h"
#include "kovaset/InteractiveCycle.h"
#include "tests/support/Fixtures.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

class TestInteractiveTables : public QObject {
    Q_OBJECT
private slots:
    void ruleTableTakesNineValuesByPosition();
    void keywordsWithoutLetterCase();
    void deletedMessageIdNeverComesBack();
    void messageTextComparedWithoutCase();

    void mesajHazirla_data();
    void mesajHazirla();
    void mesajHazirlaWithoutRow();
    void splitKeyword_data();
    void splitKeyword();
    void keywordUpper_data();
    void keywordUpper();
    void tarihAyraci_data();
    void tarihAyraci();
    void doubleApostrophe_data();
    void doubleApostrophe();
    void singleAnswerText_data();
    void singleAnswerText();
    void listReader_data();
    void listReader();
    void ruleQueryKinds();
};

void TestInteractiveTables::ruleTableTakesNineValuesByPosition()
{
    ProgramFolderFixture fx;
    // The shipped default rule, read by position.
    const auto noprm = fx.rows("SELECT * FROM tbl_int_parametre");
    QCOMPARE(noprm.size(), 1);
    QCOMPARE(noprm.first().size(), 9);
    const QVariantList seeded = noprm.first();
    QCOMPARE(seeded.at(0).toString(), QStringLiteral("noprm"));
    QCOMPARE(seeded.at(1).toString(), QStringLiteral("0"));
    QCOMPARE(seeded.at(2).toString(), QStringLiteral("BakiyeMesaj"));
    QCOMPARE(seeded.at(3).toString(), QStringLiteral(""));
    QVERIFY(!seeded.at(3).isNull());
    QCOMPARE(seeded.at(4).toString(), QStringLiteral("Metin"));
    QVERIFY(seeded.at(5).isNull());
    QCOMPARE(seeded.at(6).toString(), QStringLiteral("0"));
    QVERIFY(seeded.at(7).isNull());
    QCOMPARE(seeded.at(8).toString(), QStringLiteral("-1"));

    // The rule editor inserts without naming the columns; every value comes back as text in
    // its position.
    fx.exec("INSERT INTO tbl_int_parametre VALUES (?,?,?,?,?,?,?,?,?)",
            {"BAKIYE", "1", "BakiyeMesaj", "HesapKodu", "Sayı", "Bakiye:[##Bakiye##]", "1", "Yok", "01"});
    const auto rows = fx.rows("SELECT * FROM tbl_int_parametre WHERE parametre = 'BAKIYE'");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), (QVariantList{"BAKIYE", "1", "BakiyeMesaj", "HesapKodu", "Sayı", "Bakiye:[##Bakiye##]", "1",
                                         "Yok", "01"}));
    QCOMPARE(fx.scalar("SELECT typeof(geridonus_tipi) FROM tbl_int_parametre WHERE parametre = 'BAKIYE'").toString(),
             QStringLiteral("text"));
}

void TestInteractiveTables::keywordsWithoutLetterCase()
{
    ProgramFolderFixture fx;
    QCOMPARE(fx.scalar("SELECT sirket_kod FROM tbl_int_parametre WHERE parametre = 'NOPRM'").toString(),
             QStringLiteral("-1"));
    // A keyword exists once, whatever its letter case.
    fx.exec("INSERT INTO tbl_int_parametre VALUES ('KOD','0','ChkMesaj','','Metin','','0','','01')");
    QSqlDatabase side = QSqlDatabase::addDatabase("QSQLITE", "uniqueness");
    {
        side.setDatabaseName(fx.dbPath());
        QVERIFY(side.open());
        QSqlQuery q(side);
        QVERIFY(!q.exec("INSERT INTO tbl_int_parametre VALUES ('kod','0','ChkMesaj','','Metin','','0','','02')"));
        QVERIFY(!q.exec("INSERT INTO tbl_int_parametre VALUES ('NoPrm','0','ChkMesaj','','Metin','','0','','02')"));
        side.close();
    }
    side = QSqlDatabase();
    QSqlDatabase::removeDatabase("uniqueness");
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_int_parametre").toInt(), 2);
}

void TestInteractiveTables::deletedMessageIdNeverComesBack()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:00','5321234567','BIR')");
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:01','5321234567','IKI')");
    const int newest = fx.scalar("SELECT max(id) FROM tbl_int_msgbox").toInt();
    fx.exec("INSERT INTO tbl_int_donus (gelenid,donusmesaj) VALUES (?, 'yanit')", {newest});
    // The chart window deletes the newest message; its answer row stays.
    fx.exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {newest});
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:02','5559998877','UC')");
    const int next = fx.scalar("SELECT max(id) FROM tbl_int_msgbox").toInt();
    QVERIFY2(next > newest, qPrintable(QStringLiteral("%1 after %2").arg(next).arg(newest)));
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_int_donus WHERE gelenid = ?", {next}).toInt(), 0);
    // Deleting all of them does not start the ids again either.
    fx.exec("DELETE FROM tbl_int_msgbox");
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:03','5559998877','DORT')");
    QVERIFY(fx.scalar("SELECT max(id) FROM tbl_int_msgbox").toInt() > next);
}

void TestInteractiveTables::messageTextComparedWithoutCase()
{
    ProgramFolderFixture fx;
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:00','5321234567','BAKIYE')");
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_int_msgbox WHERE msg = 'bakiye'").toInt(), 1);
    // Grouped by text for the chart, without letter case.
    fx.exec("INSERT INTO tbl_int_msgbox (tarih,gsmno,msg) VALUES ('2026-12-10 10:00:01','5321234567','Bakiye')");
    QCOMPARE(fx.rows("SELECT msg, count(*) FROM tbl_int_msgbox GROUP BY msg").size(), 1);
}

namespace {
// One row as a rule's ERP query gives it, with the values in their column types.
RecordSet sampleRow()
{
    RecordSet rs;
    rs.appendField("YetkiliAdi");
    rs.appendField("Bakiye", QMetaType::Double);
    rs.appendField("BakiyeK", QMetaType::Double);
    rs.appendField("BakiyeNull", QMetaType::Double);
    rs.appendField("Unvan2");
    rs.appendField("DGun");
    rs.appendField("DogumTarihi", QMetaType::QDate);
    rs.appendField("Kod1");
    rs.addRow({QStringLiteral("Ayşe"), 150.0, 1250.75, QVariant(QMetaType(QMetaType::Double)), QStringLiteral(""),
               QStringLiteral("25121980"), QDate(1980, 3, 15), QStringLiteral(" ")});
    return rs;
}
} // namespace

void TestInteractiveTables::mesajHazirla_data()
{
    QTest::addColumn<QString>("gelen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no placeholder") << "Sayın müşterimiz"
                                    << "Sayın müşterimiz";
    QTest::newRow("after a colon") << "Bakiyeniz:[##Bakiye##] TL"
                                   << "Bakiyeniz: 150 TL";
    QTest::newRow("Null value, blank too") << "Bakiyeniz:[##BakiyeNull##] TL"
                                           << "Bakiyeniz: TL";
    QTest::newRow("empty value") << "A[##Unvan2##]B"
                                 << "AB";
    QTest::newRow("a blank is a value") << "A[##Kod1##]B"
                                        << "A  B";
    QTest::newRow("missing column") << "Sn.[##Yok##], merhaba"
                                    << "Sn., merhaba";
    QTest::newRow("decimal comma") << "Borç:[##BakiyeK##]"
                                   << "Borç: 1250,75";
    QTest::newRow("date in Turkish form") << "Doğum:[##DogumTarihi##]"
                                          << "Doğum: 15.03.1980";
    QTest::newRow("DGun with points") << "Gün:[##DGun##]"
                                      << "Gün: 25.12.1980";
    QTest::newRow("field name without case") << "Sn.[##yetkiliadi##]"
                                             << "Sn. Ayşe";
    QTest::newRow("two in a row") << "[##YetkiliAdi##][##Bakiye##]"
                                  << " Ayşe 150";
    QTest::newRow("empty name") << "a[####]b"
                                << "ab";
    QTest::newRow("unmatched opening mark") << "Sayın [##YetkiliAdi, bakiye"
                                            << "Sayın [##YetkiliAdi, bakiye";
    QTest::newRow("unmatched after a filled one") << "[##YetkiliAdi##] borç [##Bakiye"
                                                  << " Ayşe borç [##Bakiye";
    QTest::newRow("name reaching the next mark") << "a [##Bakiye ve [##Bakiye##] b"
                                                 << "a  b";
    QTest::newRow("closing mark before opening") << "a##]b[##YetkiliAdi##]c"
                                                 << "a##]b Ayşec";
    QTest::newRow("closing mark inside the name") << "[##Yetkili##]Adi##]"
                                                  << "Adi##]";
    QTest::newRow("empty template") << ""
                                    << "";
}

void TestInteractiveTables::mesajHazirla()
{
    QFETCH(QString, gelen);
    QTEST(MesajHazirla(gelen, sampleRow()), "expected");
}

void TestInteractiveTables::mesajHazirlaWithoutRow()
{
    RecordSet empty = sampleRow();
    empty.clear();
    QCOMPARE(MesajHazirla("Sn.[##YetkiliAdi##] kaydınız yok", empty), QStringLiteral("Sn. kaydınız yok"));
    QCOMPARE(MesajHazirla("Sn.[##YetkiliAdi##]", sampleRow(), 1), QStringLiteral("Sn."));
}

void TestInteractiveTables::splitKeyword_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("value");
    QTest::newRow("one word") << "bakiye"
                              << "bakiye"
                              << "";
    QTest::newRow("leading blank") << " BAKIYE 12"
                                   << ""
                                   << "BAKIYE 12";
    QTest::newRow("three words") << "HESAP 120.001 merkez"
                                 << "HESAP"
                                 << "120.001 merkez";
    QTest::newRow("blanks around the value") << "HESAP   120   "
                                             << "HESAP"
                                             << "120";
    QTest::newRow("trailing blank only") << "HESAP "
                                         << "HESAP"
                                         << "";
    QTest::newRow("a tab is no blank") << "HESAP\t120"
                                       << "HESAP\t120"
                                       << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void TestInteractiveTables::splitKeyword()
{
    QFETCH(QString, text);
    const KeywordSplit s = SplitKeyword(text);
    QTEST(s.keyword, "keyword");
    QTEST(s.value, "value");
}

void TestInteractiveTables::keywordUpper_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ASCII") << "bakiye1"
                           << "BAKIYE1";
    QTest::newRow("dotted i is I") << "iade"
                                   << "IADE";
    QTest::newRow("Turkish letters stay") << "çiğı"
                                          << "çIğı";
    QTest::newRow("apostrophes stay") << "'or''='"
                                      << "'OR''='";
}

void TestInteractiveTables::keywordUpper()
{
    QFETCH(QString, keyword);
    QTEST(KeywordUpper(keyword), "expected");
}

void TestInteractiveTables::tarihAyraci_data()
{
    QTest::addColumn<QString>("tarih");
    QTest::addColumn<QString>("expected");
    QTest::newRow("eight digits") << "25121980"
                                  << "25.12.1980";
    QTest::newRow("empty") << ""
                           << "..";
    QTest::newRow("short") << "2512"
                           << "25.12.";
    QTest::newRow("longer") << "251219801"
                            << "25.12.1980";
}

void TestInteractiveTables::tarihAyraci()
{
    QFETCH(QString, tarih);
    QTEST(TarihAyraci(tarih), "expected");
}

void TestInteractiveTables::doubleApostrophe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("apostrophe and CR LF") << "Ali'nin\r\nkodu"
                                          << "Ali''nin kodu";
    QTest::newRow("lone CR and LF stay") << "a\rb\nc"
                                         << "a\rb\nc";
    QTest::newRow("two CR LF") << "x\r\n\r\ny"
                               << "x  y";
    QTest::newRow("two apostrophes") << "''"
                                     << "''''";
}

void TestInteractiveTables::doubleApostrophe()
{
    QFETCH(QString, text);
    QTEST(DoubleApostrophe(text), "expected");
}

void TestInteractiveTables::singleAnswerText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XML characters") << "A&B <x>"
                                    << "A-B [x]";
    QTest::newRow("Turkish letters stay") << "Teşekkürler"
                                          << "Teşekkürler";
    QTest::newRow("first 160") << QString(170, QLatin1Char('a')) << QString(160, QLatin1Char('a'));
    QTest::newRow("empty") << ""
                           << "";
}

void TestInteractiveTables::singleAnswerText()
{
    QFETCH(QString, text);
    QTEST(SingleAnswerText(text), "expected");
}

void TestInteractiveTables::listReader_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("wellFormed");
    QTest::addColumn<QStringList>("messages"); // gsmno + "|" + msgbody
    QTest::newRow("two messages in order")
        << "<?xml version=\"1.0\"?><messages><message><gsmno>905321234567</gsmno><msgbody>BAKIYE</msgbody>"
           "</message><message><gsmno>5559998877</gsmno><msgbody>HESAP 120</msgbody></message></messages>"
        << true << QStringList{"905321234567|BAKIYE", "5559998877|HESAP 120"};
    QTest::newRow("texts untrimmed")
        << "<l><m><gsmno> 5321234567 </gsmno><msgbody>  iki  </msgbody></m><m><gsmno>5</gsmno><msgbody>   </msgbody>"
           "</m></l>"
        << true << QStringList{" 5321234567 |  iki  ", "5|   "};
    QTest::newRow("entities, CDATA and CR")
        << "<l><gsmno>1</gsmno><msgbody>a&amp;b<![CDATA[<c>]]>&#13;&#10;d</msgbody></l>" << true
        << QStringList{"1|a&b<c>\r\nd"};
    QTest::newRow("fewer numbers than texts")
        << "<l><m><msgbody>bir</msgbody><gsmno>1</gsmno></m><m><msgbody>iki</msgbody></m></l>" << true
        << QStringList{"1|bir", "|iki"};
    QTest::newRow("nested anywhere") << "<a><b><c><msgbody>x</msgbody></c></b><gsmno>9</gsmno></a>" << true
                                     << QStringList{"9|x"};
    QTest::newRow("no list elements") << "<html><body>Hata</body></html>" << true << QStringList{};
    QTest::newRow("capital ERR") << "ERR" << false << QStringList{};
    QTest::newRow("-1") << "-1" << false << QStringList{};
    QTest::newRow("empty") << "" << false << QStringList{};
    QTest::newRow("truncated") << "<messages><message><gsmno>905321234567</gsmno><msgbody>BAK" << false
                               << QStringList{};
    QTest::newRow("HTML page") << "<HTML><BODY>Sunucu hatası<br></BODY></HTML>" << false << QStringList{};

    // A broken list gives the messages whose both elements had ended.
    const QString two = "<l><m><gsmno>1</gsmno><msgbody>a</msgbody></m><m><gsmno>2</gsmno><msgbody>b</msgbody></m>";
    QTest::newRow("cut inside the third text")
        << two + "<m><gsmno>3</gsmno><msgbody>c" << false << QStringList{"1|a", "2|b"};
    QTest::newRow("cut inside the third start tag")
        << two + "<m><gsmno>3</gsmno><msgbody x=\"" << false << QStringList{"1|a", "2|b"};
    QTest::newRow("cut inside an end tag") << "<l><m><gsmno>1</gsmno><msgbody>ab</msgbo" << false << QStringList{};
    QTest::newRow("cut right after both elements")
        << "<l><m><gsmno>1</gsmno><msgbody>a</msgbody>" << false << QStringList{"1|a"};
    QTest::newRow("cut inside a number") << two + "<m><gsmno>53" << false << QStringList{"1|a", "2|b"};
    QTest::newRow("text before its number, number cut")
        << "<l><m><msgbody>a</msgbody><gsmno>5" << false << QStringList{};
    QTest::newRow("mismatched end tag") << two + "<m><gsmno>3</gsmno><msgbody>c</x></m></l>" << false
                                        << QStringList{"1|a", "2|b"};
    QTest::newRow("garbage after the list") << two + "</l><" << false << QStringList{"1|a", "2|b"};
    QTest::newRow("tags in comments, CDATA and attribute values are no tags")
        << "<l><!-- <msgbody> --><m a=\"x>y\"><gsmno>1</gsmno><msgbody><![CDATA[</msgbody>]]>z</msgbody></m>"
           "<m><gsmno>2"
        << false << QStringList{"1|</msgbody>z"};
    QTest::newRow("empty number element")
        << "<l><m><gsmno/><msgbody>a</msgbody></m><m><gsmno>2" << false << QStringList{"|a"};
    QTest::newRow("NUL inside a text: dropped, the rest reads")
        << QString(two).replace("<msgbody>b", QStringLiteral("<msgbody>b") + QChar(0) + "c") + "</l>" << false
        << QStringList{"1|a", "2|bc"};
    QTest::newRow("NUL and a cut") << QString(two).replace("<msgbody>b", QStringLiteral("<msgbody>") + QChar(0) + "b") +
                                          "<m><gsmno>3"
                                   << false << QStringList{"1|a", "2|b"};
}

void TestInteractiveTables::listReader()
{
    QFETCH(QString, reply);
    const GathwinList list = ParseGathwinList(reply);
    QTEST(list.wellFormed, "wellFormed");
    QStringList got;
    for (const GathwinMessage &m : list.messages) got << m.gsmno + QLatin1Char('|') + m.msgbody;
    QTEST(got, "messages");
    QCOMPARE(list.error.isEmpty(), list.wellFormed);
}

void TestInteractiveTables::ruleQueryKinds()
{
    ResetAppState();
    gCompanyCode = QStringLiteral("01");
    QCOMPARE(
        InteractiveErpQuery("BakiyeMesaj"),
        QStringLiteral("SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS "
                       "YetkiliAdi2,TYTK.Soyadi AS YetkiliSoyadi,((CiroB+DigerB+IadeFatB+KDVB+OdemeB+DvrB+OtvBorc)-"
                       "(CiroA+DigerA+IadeFatA+KDVA+OdemeA+DvrA+OtvAlacak)) AS Bakiye,TYTK.CepTelBKod,TYTK.CepTel "
                       "FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK WHERE ((CiroB + DigerB + IadeFatB + KDVB + "
                       "OdemeB + DvrB + OtvBorc) - (CiroA + DigerA + IadeFatA + KDVA + OdemeA + DvrA + OtvAlacak)) > 0 "
                       "AND TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket AND (TYTK.CepTelBKod IS NOT NULL AND "
                       "TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')"));
    QCOMPARE(InteractiveErpQuery("GrupMesaj"),
             QStringLiteral("SELECT TCHK.HesapKodu,TCHK.Unvan1,TCHK.Unvan2,TYTK.Adi AS YetkiliAdi,TYTK.Adi2 AS "
                            "YetkiliAdi2,TYTK.Soyadi AS YetkiliSoyadi,TCHK.GrupKod,TFKTK.Aciklama AS GrupKodAck,"
                            "TYTK.CepTelBKod,TYTK.CepTel FROM HAVLEN401.CHK AS TCHK, HAVLEN401.YTK AS TYTK, "
                            "HAVLEN401.KTK AS TFKTK WHERE TCHK.KartTip = 0 AND TCHK.HesapKodu = TYTK.Sirket AND "
                            "TFKTK.Kod = TCHK.GrupKod AND TFKTK.Tip = 6 AND (TYTK.CepTelBKod IS NOT NULL AND "
                            "TYTK.CepTelBKod <> '') AND (TYTK.CepTel IS NOT NULL AND TYTK.CepTel <> '')"));
    QVERIFY(InteractiveErpQuery("ChkMesaj").startsWith("SELECT TCHK.HesapKodu,TCHK.Unvan1"));
    QVERIFY(InteractiveErpQuery("YetkiliMesaj").contains("DATEADD(Day,TYTK.DogumTar,'1899-12-30') AS DogumTarihi"));
    // The main program's greeting kinds are no rule kinds; the key is exact.
    QCOMPARE(InteractiveErpQuery("DGunMesaj"), QString());
    QCOMPARE(InteractiveErpQuery("bakiyemesaj"), QString());
    ResetAppState();
}

QTEST_GUILESS_MAIN(TestInteractiveTables)
#include "tst_interactivetables.moc"
