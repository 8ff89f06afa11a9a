#include "core/LocalDb.h"
#include "core/TurkishCase.h"
#include "tests/support/Fixtures.h"

#include <QtTest>

class TestTurkishCase : public QObject {
    Q_OBJECT
private slots:
    void fold_data();
    void fold();
    void sqlFunctionIsTheSameFold_data() { fold_data(); }
    void sqlFunctionIsTheSameFold();
    void sqlFunctionKeepsNull();
};

void TestTurkishCase::fold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("dotless capital I") << "ILIK"
                                       << "ılık";
    QTest::newRow("dotted capital İ") << "İNCİ"
                                      << "inci";
    QTest::newRow("small letters stay") << "ılık inci"
                                        << "ılık inci";
    QTest::newRow("BILGI is not bilgi") << "BILGI"
                                        << "bılgı";
    QTest::newRow("Ş Ğ Ü Ö Ç") << "ŞĞÜÖÇ şğüöç"
                               << "şğüöç şğüöç";
    QTest::newRow("ASCII") << "Evet EVET evet"
                           << "evet evet evet";
    QTest::newRow("mixed word") << "IşIk İçİn"
                                << "ışık için";
    QTest::newRow("other letters by their small letter") << "KÂR Éé"
                                                         << "kâr éé";
    QTest::newRow("digits, marks and blanks stay") << " 5% _a\\b'\r\n"
                                                   << " 5% _a\\b'\r\n";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTurkishCase::fold()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(TurkishFold(text), folded);
    // Folding twice changes nothing more, and the length stays (no letter becomes two).
    QCOMPARE(TurkishFold(folded), folded);
    QCOMPARE(TurkishFold(text).size(), text.size());
}

void TestTurkishCase::sqlFunctionIsTheSameFold()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    ProgramFolderFixture fx;
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT TURKISH_FOLD(?)"), {text});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), folded);
    q = QSqlQuery();
    CloseLocalDb();
}

void TestTurkishCase::sqlFunctionKeepsNull()
{
    ProgramFolderFixture fx;
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT TURKISH_FOLD(NULL), TURKISH_FOLD(12)"));
    QVERIFY(q.next());
    QVERIFY(q.value(0).isNull());
    QCOMPARE(q.value(1).toString(), QStringLiteral("12"));
    q = QSqlQuery();
    CloseLocalDb();
}

QTEST_GUILESS_MAIN(TestTurkishCase)
#include "tst_turkishcase.moc"
