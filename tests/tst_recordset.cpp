#include "core/OrvekError.h"
#include "core/RecordSet.h"

#include <QDate>
#include <QDateTime>
#include <QtTest>

#include <optional>

namespace {
// A set of a text, a date, a number and a whole-number field.
RecordSet fourFields()
{
    return RecordSet({{"Metin", QMetaType::QString, 0},
                      {"Tarih", QMetaType::QDate, 0},
                      {"Tutar", QMetaType::Double, 0},
                      {"Adet", QMetaType::LongLong, 0}});
}

// Same type, same nullness, same value.
bool same(const QVariant &a, const QVariant &b)
{
    return a.typeId() == b.typeId() && a.isNull() == b.isNull() && a == b &&
           (a.typeId() != QMetaType::QString || a.toString().isNull() == b.toString().isNull());
}
} // namespace

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void valuesComeBackAsStored_data();
    void valuesComeBackAsStored();
    void textsOutliveTheirSet();
    void refillAfterClearKeepingStorage();
    void copiesDoNotShareNewTexts();
    void rowsAreViewsUntilCopiedOrChanged();
    void insertRemoveAndFilterKeepRowsInLine();
    void loadingCellByCell();
    void moveLeavesAnEmptySet();
};

void TestRecordSet::valuesComeBackAsStored_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    const QVariant none;
    QTest::newRow("text") << 0 << QVariant(QStringLiteral("Çağlar Gıda"));
    QTest::newRow("empty text") << 0 << QVariant(QStringLiteral(""));
    QTest::newRow("null QString") << 0 << QVariant(QString());
    QTest::newRow("typed null text") << 0 << QVariant(QMetaType(QMetaType::QString));
    QTest::newRow("no value in text") << 0 << none;
    QTest::newRow("number in text field") << 0 << QVariant(42);
    QTest::newRow("date") << 1 << QVariant(QDate(1980, 3, 15));
    QTest::newRow("invalid QDate") << 1 << QVariant(QDate());
    QTest::newRow("typed null date") << 1 << QVariant(QMetaType(QMetaType::QDate));
    QTest::newRow("date time in date field") << 1 << QVariant(QDateTime(QDate(2024, 2, 29), QTime(10, 5)));
    QTest::newRow("number") << 2 << QVariant(1250.75);
    QTest::newRow("typed null number") << 2 << QVariant(QMetaType(QMetaType::Double));
    QTest::newRow("text in number field") << 2 << QVariant(QStringLiteral("12,5"));
    QTest::newRow("whole number") << 3 << QVariant(qlonglong(1) << 40);
    QTest::newRow("no value in whole number") << 3 << none;
}

// Each value comes back with its type and nullness, also once a value of another type has
// turned its column into one of QVariants, and the other rows of that column stay as they were.
void TestRecordSet::valuesComeBackAsStored()
{
    QFETCH(int, column);
    QFETCH(QVariant, value);
    RecordSet rs = fourFields();
    const RecordRow before{QStringLiteral("önce"), QDate(2000, 1, 1), 1.5, qlonglong(7)};
    rs.addRow(before);
    RecordRow row(4);
    row[column] = value;
    rs.addRow(row);
    rs.addRow(before);
    QVERIFY(same(rs.value(1, column), value));
    // A cell read in place gives the characters of the text stored; a text in a column of
    // texts can always be read so.
    QStringView view;
    const bool inPlace = rs.row(1).textView(column, view);
    if (inPlace) {
        QVERIFY(value.typeId() == QMetaType::QString);
        QCOMPARE(view.toString(), value.toString());
    }
    if (column == 0 && value.typeId() == QMetaType::QString && !value.toString().isNull()) QVERIFY(inPlace);
    for (int r : {0, 2})
        for (int c = 0; c < 4; ++c) QVERIFY(same(rs.value(r, c), before.at(c)));

    // Rows added to a set of the same fields keep every value, a column of QVariants too, and
    // stay as they were when the source changes.
    RecordSet copy = fourFields();
    for (int r = 0; r < 3; ++r) copy.addRow(rs.row(r));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) QVERIFY(same(copy.value(r, c), rs.value(r, c)));
    rs.setValue(1, column, before.at(column));
    QVERIFY(same(copy.value(1, column), value));

    rs.setValue(0, column, value);
    QVERIFY(same(rs.value(0, column), value));
    rs.setValue(0, column, before.at(column));
    QVERIFY(same(rs.value(0, column), before.at(column)));
    QVERIFY(same(rs.row(2).at(column), before.at(column)));
}

// A loaded text handed out shares the set's text block: it stays valid when the set grows and
// when it is gone, and changing one of two such texts leaves the other as it was.
void TestRecordSet::textsOutliveTheirSet()
{
    QString first, second;
    {
        RecordSet rs({{"Metin", QMetaType::QString, 0}});
        const auto load = [&rs](const QString &text) {
            rs.appendText(0, text);
            rs.endRow();
        };
        load(QStringLiteral("Ayşe"));
        load(QStringLiteral("Yılmaz"));
        first = rs.value(0, 0).toString();
        second = rs.value(1, 0).toString();
        for (int i = 0; i < 20000; ++i) load(QStringLiteral("satır %1").arg(i));
        QCOMPARE(rs.value(20001, 0).toString(), QStringLiteral("satır 19999"));
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(first.utf16())),
                 QStringLiteral("Ayşe")); // terminated
    }
    first.append(QStringLiteral(" Kaya"));
    QCOMPARE(first, QStringLiteral("Ayşe Kaya"));
    QCOMPARE(second, QStringLiteral("Yılmaz"));
    second.append(QLatin1Char('!'));
    QCOMPARE(second, QStringLiteral("Yılmaz!"));
    QCOMPARE(first, QStringLiteral("Ayşe Kaya"));
}

// A set emptied with its storage kept and filled again: its new rows read back as written, and
// nothing handed out before (a text of a block, a copy of the set) changes when the kept
// blocks are written again.
void TestRecordSet::refillAfterClearKeepingStorage()
{
    RecordSet rs({{"No", QMetaType::QString, 10}, {"Metin", QMetaType::QString, 0}, {"Tarih", QMetaType::QDate, 0}});
    const auto fill = [&rs](const QString &prefix, int rows) {
        for (int i = 0; i < rows; ++i) {
            rs.appendText(0, QString::number(i));
            rs.appendText(1, prefix + QString::number(i));
            if (i % 3 == 0)
                rs.appendNull(2);
            else
                rs.appendValue(2, QDate(2024, 1, 1).addDays(i));
            rs.endRow();
        }
    };
    const auto check = [&rs](const QString &prefix, int rows) {
        QCOMPARE(rs.rowCount(), rows);
        for (int i = 0; i < rows; i += 997) {
            QCOMPARE(rs.text(i, 0), QString::number(i));
            QCOMPARE(rs.text(i, 1), prefix + QString::number(i));
            QCOMPARE(rs.value(i, 2), i % 3 == 0 ? QVariant(QMetaType(QMetaType::QDate))
                                                : QVariant(QDate(2024, 1, 1).addDays(i)));
        }
        QCOMPARE(rs.text(rows - 1, 1), prefix + QString::number(rows - 1));
    };
    fill(QStringLiteral("ilk gönderim "), 30000);
    const QString heldFirst = rs.text(0, 1);    // shares the first block
    const QString heldLast = rs.text(29999, 1); // shares the last block
    rs.setFilter([](const RecordRow &r) { return r.at(0).toString().endsWith(QLatin1Char('7')); });
    rs.clearKeepingStorage();
    QCOMPARE(rs.rowCount(), 0);
    QCOMPARE(rs.totalRowCount(), 0);
    QVERIFY(rs.isFiltered()); // as after clear()
    rs.clearFilter();
    QCOMPARE(rs.fieldNames(), QStringList({"No", "Metin", "Tarih"}));
    QVERIFY(rs.rowCapacity() >= 30000);
    fill(QStringLiteral("ikinci "), 20000);
    check(QStringLiteral("ikinci "), 20000);
    QCOMPARE(heldFirst, QStringLiteral("ilk gönderim 0"));
    QCOMPARE(heldLast, QStringLiteral("ilk gönderim 29999"));

    // A copy shares every block: the refill writes none of them.
    rs.setFilter([](const RecordRow &r) { return r.at(0).toString().endsWith(QLatin1Char('7')); });
    std::optional<RecordSet> copy = rs;
    rs.clearKeepingStorage();
    rs.clearFilter();
    fill(QStringLiteral("üçüncü gönderim metni "), 40000);
    check(QStringLiteral("üçüncü gönderim metni "), 40000);
    QCOMPARE(copy->totalRowCount(), 20000);
    QCOMPARE(copy->rowCount(), 2000);
    QCOMPARE(copy->text(0, 1), QStringLiteral("ikinci 7"));
    QCOMPARE(copy->text(1999, 1), QStringLiteral("ikinci 19997"));
    copy.reset();
    // The limits still hold, and a refused row leaves nothing.
    QVERIFY_THROWS_EXCEPTION(OrvekError, rs.appendText(0, QStringLiteral("12345678901")));
    QCOMPARE(rs.totalRowCount(), 40000);
    rs.addRow({QStringLiteral("1"), QStringLiteral("son"), QDate(2025, 5, 5)});
    QCOMPARE(rs.text(40000, 1), QStringLiteral("son"));
    QCOMPARE(rs.text(39999, 1), QStringLiteral("üçüncü gönderim metni 39999"));
}

// A copy of a set shares its text blocks; texts added to either afterwards must not land on
// the other's.
void TestRecordSet::copiesDoNotShareNewTexts()
{
    const auto load = [](RecordSet &rs, const QString &text) {
        rs.appendText(0, text);
        rs.endRow();
    };
    RecordSet a({{"Metin", QMetaType::QString, 0}});
    load(a, QStringLiteral("ortak"));
    RecordSet b = a;
    load(a, QStringLiteral("yalnız a"));
    load(b, QStringLiteral("yalnız b"));
    b.setValue(0, 0, QStringLiteral("b değişti"));
    QCOMPARE(a.value(0, 0).toString(), QStringLiteral("ortak"));
    QCOMPARE(a.value(1, 0).toString(), QStringLiteral("yalnız a"));
    QCOMPARE(b.value(0, 0).toString(), QStringLiteral("b değişti"));
    QCOMPARE(b.value(1, 0).toString(), QStringLiteral("yalnız b"));
    RecordSet c;
    c = b;
    load(c, QStringLiteral("yalnız c"));
    load(b, QStringLiteral("b yine"));
    c.setValue(1, 0, QStringLiteral("c değişti"));
    QCOMPARE(b.value(1, 0).toString(), QStringLiteral("yalnız b"));
    QCOMPARE(c.value(2, 0).toString(), QStringLiteral("yalnız c"));
    QCOMPARE(b.value(2, 0).toString(), QStringLiteral("b yine"));
}

// row() reads the set; a copy of it, or one changed through it, holds its own values and the
// set does not change; adding a row of the set to itself adds the values it had.
void TestRecordSet::rowsAreViewsUntilCopiedOrChanged()
{
    RecordSet rs = fourFields();
    rs.addRow({QStringLiteral("bir"), QDate(2001, 1, 1), 1.0});
    const RecordRow view = rs.row(0);
    QCOMPARE(view.size(), qsizetype(4));
    QVERIFY(same(view.at(3), QVariant()));
    QCOMPARE(view.value(9, QStringLiteral("yok")).toString(), QStringLiteral("yok"));
    const RecordRow copy = view;
    RecordRow changed = rs.row(0);
    changed[0] = QStringLiteral("değişik");
    rs.setValue(0, 2, 2.0);
    QCOMPARE(view.at(2).toDouble(), 2.0);
    QCOMPARE(copy.at(2).toDouble(), 1.0);
    QCOMPARE(changed.at(0).toString(), QStringLiteral("değişik"));
    QCOMPARE(rs.value(0, 0).toString(), QStringLiteral("bir"));

    rs.addRow(rs.row(0));
    QVERIFY(rs.row(1) == rs.row(0));
    QVERIFY(rs.row(1) != changed);
    QStringList texts;
    for (const QVariant &v : rs.row(1)) texts << v.toString();
    QCOMPARE(texts, QStringList({"bir", "2001-01-01", "2", ""}));
}

// Rows inserted in the middle, removed, and seen through a filter keep each value with its row,
// also in a column that held no value until an inserted row brought one.
void TestRecordSet::insertRemoveAndFilterKeepRowsInLine()
{
    RecordSet rs = fourFields();
    for (int i = 0; i < 6; ++i) rs.addRow({QString::number(i), QVariant(), double(i)});
    rs.setFilter([](const RecordRow &r) { return int(r.at(2).toDouble()) % 2 == 0; });
    QCOMPARE(rs.rowCount(), 3);
    rs.insertRows(
        2, {RecordRow{QStringLiteral("a"), QDate(2020, 5, 5), 10.0}, RecordRow{QStringLiteral("b"), QVariant(), 11.0}});
    QStringList all;
    for (int i = 0; i < rs.totalRowCount(); ++i) all << rs.sourceValue(i, 0).toString();
    QCOMPARE(all, QStringList({"0", "1", "a", "b", "2", "3", "4", "5"}));
    QVERIFY(same(rs.sourceValue(2, 1), QVariant(QDate(2020, 5, 5))));
    QVERIFY(same(rs.sourceValue(3, 1), QVariant()));
    QStringList shown;
    for (int i = 0; i < rs.rowCount(); ++i) shown << rs.value(i, 0).toString();
    QCOMPARE(shown, QStringList({"0", "a", "2", "4"}));

    rs.removeRow(1); // "a"
    shown.clear();
    for (int i = 0; i < rs.rowCount(); ++i) shown << rs.value(i, 0).toString();
    QCOMPARE(shown, QStringList({"0", "2", "4"}));
    QCOMPARE(rs.totalRowCount(), 7);
    QVERIFY(same(rs.sourceValue(2, 1), QVariant()));
    rs.addRow({QStringLiteral("6"), QDate(2021, 1, 1), 6.0});
    QCOMPARE(rs.rowCount(), 4);
    QCOMPARE(rs.value(3, 1).toDate(), QDate(2021, 1, 1));
    QVERIFY_THROWS_EXCEPTION(OrvekError, rs.insertRows(99, {}));
}

// The loaders' cell-by-cell rows give what addRow gives; a refused text drops the whole row.
void TestRecordSet::loadingCellByCell()
{
    RecordSet rs({{"Kod", QMetaType::QString, 3}, {"Tarih", QMetaType::QDate, 0}, {"Tutar", QMetaType::Double, 0}});
    rs.appendText(0, u"ABC");
    rs.appendValue(1, QDate(1999, 12, 31));
    rs.appendValue(2, 0.5);
    rs.endRow();
    rs.appendNull(0);
    rs.appendNull(1);
    rs.appendValue(2, QVariant(QStringLiteral("metin")));
    rs.endRow();
    rs.appendText(0, u"X");
    rs.appendNull(1);
    QVERIFY_THROWS_EXCEPTION(OrvekError, rs.appendText(0, u"UZUN"));
    QCOMPARE(rs.totalRowCount(), 2);
    rs.appendText(0, u"Y");
    rs.appendNull(1);
    rs.appendValue(2, 3.0);
    rs.endRow();
    QCOMPARE(rs.totalRowCount(), 3);
    QVERIFY(same(rs.value(0, 0), QVariant(QStringLiteral("ABC"))));
    QVERIFY(same(rs.value(0, 1), QVariant(QDate(1999, 12, 31))));
    QVERIFY(same(rs.value(1, 0), QVariant(QMetaType(QMetaType::QString))));
    QVERIFY(same(rs.value(1, 1), QVariant(QMetaType(QMetaType::QDate))));
    QVERIFY(same(rs.value(1, 2), QVariant(QStringLiteral("metin"))));
    QVERIFY(same(rs.value(2, 0), QVariant(QStringLiteral("Y"))));
    QVERIFY(same(rs.value(2, 2), QVariant(3.0)));
    QVERIFY(same(rs.value(0, 2), QVariant(0.5)));
    QStringView view;
    QVERIFY(rs.row(0).textView(0, view));
    QCOMPARE(view, u"ABC");
    QVERIFY(rs.row(2).textView(0, view));
    QCOMPARE(view, u"Y");
    QVERIFY(!rs.row(0).textView(1, view));
    QVERIFY(!rs.row(1).textView(2, view));

    // Loaded rows added to another set: the same values, and the limits of that set.
    RecordSet same3({{"Kod", QMetaType::QString, 3}, {"Tarih", QMetaType::QDate, 0}, {"Tutar", QMetaType::Double, 0}});
    for (int r = 0; r < 3; ++r) same3.addRow(rs.row(r));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) QVERIFY(same(same3.value(r, c), rs.value(r, c)));
    RecordSet shorter(
        {{"Kod", QMetaType::QString, 1}, {"Tarih", QMetaType::QDate, 0}, {"Tutar", QMetaType::Double, 0}});
    QVERIFY_THROWS_EXCEPTION(OrvekError, shorter.addRow(rs.row(0)));
    shorter.addRow(rs.row(2));
    QCOMPARE(shorter.totalRowCount(), 1);
    QVERIFY(same(shorter.value(0, 0), QVariant(QStringLiteral("Y"))));

    // A null text stays null, given as characters or as a QString to keep.
    RecordSet texts({{"Metin", QMetaType::QString, 0}});
    texts.appendText(0, QStringView());
    texts.endRow();
    texts.appendHeldText(0, QString());
    texts.endRow();
    texts.appendHeldText(0, QStringLiteral("tutulan"));
    texts.endRow();
    QVERIFY(same(texts.value(0, 0), QVariant(QString())));
    QVERIFY(same(texts.value(1, 0), QVariant(QString())));
    QVERIFY(same(texts.value(2, 0), QVariant(QStringLiteral("tutulan"))));
}

void TestRecordSet::moveLeavesAnEmptySet()
{
    RecordSet a = fourFields();
    a.addRow({QStringLiteral("x")});
    RecordSet b = std::move(a);
    QCOMPARE(b.totalRowCount(), 1);
    QCOMPARE(a.totalRowCount(), 0); // NOLINT(bugprone-use-after-move)
    QCOMPARE(a.rowCount(), 0);
    a = std::move(b);
    QCOMPARE(a.value(0, 0).toString(), QStringLiteral("x"));
    QCOMPARE(b.totalRowCount(), 0); // NOLINT(bugprone-use-after-move)
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
