#include "core/ValueText.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QtTest>

class TestValueText : public QObject {
    Q_OBJECT
private slots:
    void valueText_data();
    void valueText();
    void independentOfLocale();
};

void TestValueText::valueText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("invalid") << QVariant() << "";
    QTest::newRow("null text") << QVariant(QMetaType(QMetaType::QString)) << "";
    QTest::newRow("null double") << QVariant(QMetaType(QMetaType::Double)) << "";
    QTest::newRow("null date") << QVariant(QMetaType(QMetaType::QDate)) << "";
    QTest::newRow("text") << QVariant(QStringLiteral("Çağlar Gıda 1.5")) << QStringLiteral("Çağlar Gıda 1.5");
    QTest::newRow("int") << QVariant(-300) << "-300";
    QTest::newRow("long long") << QVariant(qlonglong(1234567890123)) << "1234567890123";
    QTest::newRow("fraction") << QVariant(1250.75) << "1250,75";
    QTest::newRow("whole double") << QVariant(1250.0) << "1250";
    QTest::newRow("million") << QVariant(1200000.0) << "1200000";
    QTest::newRow("negative fraction") << QVariant(-0.5) << "-0,5";
    QTest::newRow("minus zero") << QVariant(-0.0) << "0";
    QTest::newRow("binary noise cut at 15 digits") << QVariant(0.1 + 0.2) << "0,3";
    QTest::newRow("15 digits stay fixed") << QVariant(123456789012345.0) << "123456789012345";
    QTest::newRow("1E+15") << QVariant(1e15) << "1E+15";
    QTest::newRow("large fraction") << QVariant(1.5e16) << "1,5E+16";
    QTest::newRow("1E-4 stays fixed") << QVariant(0.0001) << "0,0001";
    QTest::newRow("small") << QVariant(0.000015) << "1,5E-05";
    QTest::newRow("rounding carries") << QVariant(999.99999999999999) << "1000";
    QTest::newRow("date") << QVariant(QDate(1980, 3, 15)) << "15.03.1980";
    QTest::newRow("day zero") << QVariant(QDate(1899, 12, 30)) << "30.12.1899";
    QTest::newRow("date-time at midnight") << QVariant(QDateTime(QDate(2005, 6, 20), QTime(0, 0))) << "20.06.2005";
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2005, 6, 20), QTime(14, 5, 9))) << "20.06.2005 14:05:09";
    QTest::newRow("invalid date") << QVariant(QDate()) << "";
    QTest::newRow("bool") << QVariant(true) << "True";
}

void TestValueText::valueText()
{
    QFETCH(QVariant, value);
    QTEST(ValueText(value), "expected");
}

void TestValueText::independentOfLocale()
{
    const QLocale saved;
    for (const QLocale &l : {QLocale(QLocale::English, QLocale::UnitedStates),
                             QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Turkish, QLocale::Turkey)}) {
        QLocale::setDefault(l);
        QCOMPARE(ValueText(1234567.25), QStringLiteral("1234567,25"));
        QCOMPARE(ValueText(QDate(2024, 2, 29)), QStringLiteral("29.02.2024"));
    }
    QLocale::setDefault(saved);
}

QTEST_GUILESS_MAIN(TestValueText)
#include "tst_valuetext.moc"
