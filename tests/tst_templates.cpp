#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Templates.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

Q_DECLARE_METATYPE(TemplateLayout)

namespace {
// A text of n characters with Turkish letters, an apostrophe and a CR LF in it, so a split
// anywhere shows.
QString sample(int n)
{
    const QString unit = QStringLiteral("Sayın [##Unvan1##], bakiye'niz: ğüşıöç İĞÜŞÖÇ\r\n");
    QString s;
    while (s.size() < n) s += unit;
    return s.left(n);
}

struct Stored {
    QVariant p1, p2, msgid, kind;
};
Stored stored(ProgramFolderFixture &fx, qint64 id)
{
    const auto r = fx.rows("SELECT sablon_p1, sablon_p2, msgid, sablon_tip FROM tbl_sablonlar WHERE id = ?", {id});
    if (r.isEmpty()) return {};
    return {r[0][0], r[0][1], r[0][2], r[0][3]};
}
} // namespace

class TestTemplates : public QObject {
    Q_OBJECT
private slots:
    void tableLayout();
    void split_data();
    void split();
    void insertLayouts_data();
    void insertLayouts();
    void listByKind();
    void absentHalvesReadAsEmpty();
    void updateRewritesBothHalves_data();
    void updateRewritesBothHalves();
    void updateOfMissingRowFails();
    void deleteRemovesOneRow();
    void failedInsertChangesNothing();
};

void TestTemplates::tableLayout()
{
    ProgramFolderFixture fx;
    QStringList names;
    for (const auto &c : fx.rows("SELECT name FROM pragma_table_info('tbl_sablonlar') ORDER BY cid"))
        names << c.first().toString();
    QCOMPARE(names, QStringList({"id", "msgid", "sablon_tip", "sablon_p1", "sablon_p2"}));
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 0);
    QCOMPARE(TemplateKinds(), QStringList({"BakiyeMesaj", "ChkMesaj", "GrupMesaj", "YetkiliMesaj", "DGunMesaj",
                                           "EvYilMesaj", "HizliMesaj"}));
}

void TestTemplates::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("p1Length");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("254") << sample(254) << 254;
    QTest::newRow("255 lies whole in the first half") << sample(255) << 255;
    QTest::newRow("256 leaves one character") << sample(256) << 255;
    QTest::newRow("500") << sample(500) << 255;
    QTest::newRow("2000") << sample(2000) << 255;
    // 254 letters then an emoji (two UTF-16 units) across the split point.
    QTest::newRow("surrogate pair kept whole")
        << QString(254, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80") + "b" << 254;
    // A CR LF across the split point is cut; the joined text is whole again.
    QTest::newRow("CR LF across the split") << QString(254, QLatin1Char('a')) + "\r\nb" << 255;
}

void TestTemplates::split()
{
    QFETCH(QString, text);
    QFETCH(int, p1Length);
    const TemplateHalves h = SplitTemplateText(text);
    QCOMPARE(int(h.p1.size()), p1Length);
    QCOMPARE(h.p1 + h.p2, text);
}

void TestTemplates::insertLayouts_data()
{
    QTest::addColumn<TemplateLayout>("layout");
    QTest::addColumn<int>("length");
    QTest::addColumn<QVariant>("p2"); // expected sablon_p2: Null, "" or the rest's length
    using L = TemplateLayout;
    const QVariant null = QVariant(QMetaType::fromType<QString>());
    QTest::newRow("send, 255") << L::SplitEmptyP2 << 255 << QVariant(QString(""));
    QTest::newRow("send, 256") << L::SplitEmptyP2 << 256 << QVariant(1);
    QTest::newRow("send, 500") << L::SplitEmptyP2 << 500 << QVariant(245);
    QTest::newRow("window, 0") << L::SplitNoP2 << 0 << null;
    QTest::newRow("window, 255") << L::SplitNoP2 << 255 << null;
    QTest::newRow("window, 256") << L::SplitNoP2 << 256 << QVariant(1);
    QTest::newRow("window, 500") << L::SplitNoP2 << 500 << QVariant(245);
    QTest::newRow("settings, 500 whole") << L::WholeNoP2 << 500 << null;
}

void TestTemplates::insertLayouts()
{
    QFETCH(TemplateLayout, layout);
    QFETCH(int, length);
    QFETCH(QVariant, p2);
    ProgramFolderFixture fx;
    const QString text = sample(length);
    const qint64 id = InsertTemplate("ChkMesaj", text, "ID1234'5", layout);
    const Stored s = stored(fx, id);
    QCOMPARE(s.msgid.toString(), QStringLiteral("ID1234'5"));
    QCOMPARE(s.kind.toString(), QStringLiteral("ChkMesaj"));
    QVERIFY(!s.p1.isNull());
    if (p2.isNull())
        QVERIFY(s.p2.isNull());
    else if (p2.typeId() == QMetaType::QString)
        QCOMPARE(s.p2.toString(), QString());
    else
        QCOMPARE(int(s.p2.toString().size()), p2.toInt());
    QCOMPARE(s.p1.toString() + s.p2.toString(), text);

    const auto rows = ListTemplates("ChkMesaj");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].id, id);
    QCOMPARE(rows[0].text, text);
}

void TestTemplates::listByKind()
{
    ProgramFolderFixture fx;
    const qint64 a = InsertTemplate("HizliMesaj", "bir", kTemplateMsgIdLocal);
    InsertTemplate("ChkMesaj", "başka tür", kTemplateMsgIdLocal);
    const qint64 c = InsertTemplate("HizliMesaj", "iki", "ID99");
    InsertTemplate("HizliMesaj'", "tırnaklı tür", kTemplateMsgIdLocal);
    auto texts = [](const QVector<TemplateRow> &rows) {
        QStringList t;
        for (const auto &r : rows) t << r.text;
        return t;
    };
    QCOMPARE(texts(ListTemplates("HizliMesaj")), QStringList({"bir", "iki"}));
    QCOMPARE(ListTemplates("HizliMesaj").first().id, a);
    QCOMPARE(ListTemplates("HizliMesaj").last().id, c);
    // The kind compares without case, as the stored file always did.
    QCOMPARE(texts(ListTemplates("hizlimesaj")), QStringList({"bir", "iki"}));
    QCOMPARE(texts(ListTemplates("HizliMesaj'")), QStringList({QStringLiteral("tırnaklı tür")}));
    QVERIFY(ListTemplates("DGunMesaj").isEmpty());
    QVERIFY(ListTemplates("").isEmpty());
}

void TestTemplates::absentHalvesReadAsEmpty()
{
    ProgramFolderFixture fx;
    // Rows as other writers may have left them.
    fx.exec("INSERT INTO tbl_sablonlar (msgid,sablon_tip,sablon_p1) VALUES('00','GrupMesaj','yalnız ilk')");
    fx.exec("INSERT INTO tbl_sablonlar (msgid,sablon_tip,sablon_p2) VALUES('00','GrupMesaj','yalnız ikinci')");
    fx.exec("INSERT INTO tbl_sablonlar (msgid,sablon_tip) VALUES('00','GrupMesaj')");
    const auto rows = ListTemplates("GrupMesaj");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].text, QStringLiteral("yalnız ilk"));
    QCOMPARE(rows[1].text, QStringLiteral("yalnız ikinci"));
    QCOMPARE(rows[2].text, QString(""));
    QVERIFY(!rows[2].text.isNull());
}

void TestTemplates::updateRewritesBothHalves_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("500 to 10 empties the second half") << 500 << 10;
    QTest::newRow("10 to 256") << 10 << 256;
    QTest::newRow("256 to 255") << 256 << 255;
    QTest::newRow("to the empty text") << 300 << 0;
}

void TestTemplates::updateRewritesBothHalves()
{
    QFETCH(int, from);
    QFETCH(int, to);
    ProgramFolderFixture fx;
    const qint64 keep = InsertTemplate("YetkiliMesaj", "komşu", "00");
    const qint64 id = InsertTemplate("YetkiliMesaj", sample(from) + "x", "ID7", TemplateLayout::SplitNoP2);
    const QString text = sample(to);
    UpdateTemplate(id, text);
    const Stored s = stored(fx, id);
    QCOMPARE(s.p1.toString() + s.p2.toString(), text);
    QCOMPARE(s.p2.toString(), to > 255 ? text.mid(255) : QString());
    QVERIFY(!s.p2.isNull());
    QCOMPARE(s.msgid.toString(), QStringLiteral("ID7"));
    QCOMPARE(s.kind.toString(), QStringLiteral("YetkiliMesaj"));
    QCOMPARE(stored(fx, keep).p1.toString(), QStringLiteral("komşu"));
}

void TestTemplates::updateOfMissingRowFails()
{
    ProgramFolderFixture fx;
    QVERIFY_THROWS_EXCEPTION(OrvekError, UpdateTemplate(4711, "yok"));
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 0);
}

void TestTemplates::deleteRemovesOneRow()
{
    ProgramFolderFixture fx;
    const qint64 a = InsertTemplate("BakiyeMesaj", "a", "00");
    const qint64 b = InsertTemplate("BakiyeMesaj", "b", "00");
    QVERIFY(DeleteTemplate(a));
    QVERIFY(!DeleteTemplate(a));
    const auto rows = ListTemplates("BakiyeMesaj");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].id, b);
    // Ids are not reused after a delete.
    QVERIFY(DeleteTemplate(b));
    QVERIFY(InsertTemplate("BakiyeMesaj", "c", "00") > b);
}

void TestTemplates::failedInsertChangesNothing()
{
    ProgramFolderFixture fx;
    const qint64 id = InsertTemplate("ChkMesaj", sample(300), "00");
    fx.exec("CREATE TRIGGER kilit_ekle BEFORE INSERT ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    fx.exec("CREATE TRIGGER kilit_degis BEFORE UPDATE ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    DropConnections();
    try {
        InsertTemplate("ChkMesaj", "yeni", "00");
        QFAIL("insert passed");
    } catch (const OrvekError &e) {
        QVERIFY(e.description().contains("kilitli"));
    }
    QVERIFY_THROWS_EXCEPTION(OrvekError, UpdateTemplate(id, "kısa"));
    const auto rows = ListTemplates("ChkMesaj");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].text, sample(300));
}

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
