#include "core/AppState.h"
#include "core/RecordSet.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "core/TimeSlice.h"
#include "tests/support/Recorders.h"
#include "tests/support/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
const QString kStageDelete = QStringLiteral("Mevcut Excel dosyası silinemiyor");
const QString kStageWrite = QStringLiteral(
    "Bilgisayarınızda, uygulmayı destekleyen Excel programı kurulu olmadığından veri aktarım işlemi yapılamıyor");
const QString kStageHeaders = QStringLiteral("Başlık bilgileri oluşturulamadı");
const QString kStageRead = QStringLiteral("Excel dosyası okunamıyor. Dosya bozulmuş ya da silinmiş olabilir");
const QString kStageShow = QStringLiteral("Oluşturulan Excel dosyası görüntülenemiyor");
const QString kDone = QStringLiteral("Excel Dosyasına Veri Aktarımı Tamamlanmıştır");

// Records what the export asks of the progress window.
struct ProgressRecorder {
    ProgressRecorder()
    {
        ProgressWindow::Handlers h;
        h.show = [this] { ++shows; };
        h.hide = [this] { ++hides; };
        h.setStatus = [this](const QString &text) {
            statuses << text;
            doneAtStatus << gProgressDone;
        };
        h.showSpeed = [this](bool on) { speedShown = on; };
        h.runTimer = [this](bool on) { timerOn = on; };
        ProgressWindow::setHandlers(h);
    }
    ~ProgressRecorder() { ProgressWindow::setHandlers({}); }
    int shows = 0;
    int hides = 0;
    QStringList statuses;
    QList<long long> doneAtStatus;
    bool speedShown = false;
    bool timerOn = false;
};

// Records every message box; onShow runs before the answer (to act at a box).
struct BoxLog {
    explicit BoxLog(std::function<void(const QString &)> onShow = {})
    {
        Prompt::setHandler(
            [this, onShow](const QString &text, PromptIcon icon, const QString &title, PromptButtons buttons) {
                boxes << PromptRecord{text, icon, title, buttons};
                if (onShow) onShow(text);
                return PromptAnswer::Ok;
            });
    }
    ~BoxLog() { Prompt::setHandler(nullptr); }
    QVector<PromptRecord> boxes;
};

// A numbered list: field "No" (the row's number from 1) and "GsmNo" (text).
RecordSet numberedList(int rows)
{
    RecordSet rs;
    rs.appendField(QStringLiteral("No"), QMetaType::Int);
    rs.appendField(QStringLiteral("GsmNo"), QMetaType::QString);
    rs.reserve(rows);
    for (int i = 1; i <= rows; ++i) rs.addRow({i, QStringLiteral("5%1").arg(i, 9, 10, QLatin1Char('0'))});
    return rs;
}

// Open file descriptors of this process: a failed export must not keep any.
int openFiles()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

QStringList headerList(const RecordSet &rs) { return rs.fieldNames() << QString(); }

XlsxSheet readSingleSheet(const QString &path)
{
    XlsxReader reader;
    if (!reader.open(path)) {
        qWarning() << reader.error();
        return XlsxSheet();
    }
    return reader.sheet(0);
}
// Sets an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_old;
};
} // namespace

class TestSpreadsheetExport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { TimeSlice::setLength(-1); }
    void pages_data();
    void pages();
    void headings_data();
    void headings();
    void typedValues_data();
    void typedValues();
    void filteredRowsOnly();
    void replacesExistingFile();
    void yieldsWhileWriting_data();
    void yieldsWhileWriting();
    void rowsRemovedWhileYielding();
    void stopsWhenItsCallerMustStop_data();
    void stopsWhenItsCallerMustStop();
    void failures_data();
    void failures();
    void fileToSave_data();
    void fileToSave();
    void dialogStartsInAnExistingFolder_data();
    void dialogStartsInAnExistingFolder();

private:
    QTemporaryDir m_dir;
};

void TestSpreadsheetExport::init()
{
    ResetAppState();
    QVERIFY(m_dir.isValid());
}

void TestSpreadsheetExport::pages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("perSheet");
    QTest::newRow("empty") << 0 << QList<int>{0};
    QTest::newRow("three") << 3 << QList<int>{3};
    QTest::newRow("one full sheet") << 65535 << QList<int>{65535};
    QTest::newRow("one more row") << 65536 << QList<int>{65535, 1};
}

void TestSpreadsheetExport::pages()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, perSheet);
    PromptRecorder prompts;
    ShellRecorder shell;
    ProgressRecorder progress;
    const RecordSet rs = numberedList(rows);
    const QString path = m_dir.filePath(QStringLiteral("liste.xlsx"));

    ExportToExcel(rs, path, headerList(rs));

    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().text, kDone);
    QCOMPARE(prompts.last().icon, PromptIcon::Information);
    QCOMPARE(prompts.last().title, QStringLiteral("Rendal Yöneticisi"));
    QCOMPARE(shell.openedFiles, QStringList{path});
    QCOMPARE(gErrorText, kStageShow);
    QCOMPARE(gProgressTotal, rows);
    QCOMPARE(gProgressDone, rows);
    QCOMPARE(progress.shows, 0); // the caller shows the window
    QCOMPARE(progress.hides, 1);
    QVERIFY(!progress.timerOn);

    QStringList statuses;
    QList<long long> doneAtStatus;
    int before = 0;
    for (int p = 1; p <= perSheet.size(); ++p) {
        statuses << QStringLiteral("Sayfa %1 kayıtları oluşturuluyor...").arg(p)
                 << QStringLiteral("Sayfa %1 kaydediliyor...").arg(p);
        doneAtStatus << before;
        before += perSheet[p - 1];
        doneAtStatus << before;
    }
    statuses << QStringLiteral("Sayfa adları oluşturuluyor...")
             << QStringLiteral("Sayfa başlık bilgileri ekleniyor...");
    doneAtStatus << rows << rows;
    QCOMPARE(progress.statuses, statuses);
    QCOMPARE(progress.doneAtStatus, doneAtStatus);

    XlsxReader reader;
    QVERIFY2(reader.open(path), qPrintable(reader.error()));
    QStringList names;
    for (int p = 1; p <= perSheet.size(); ++p) names << QStringLiteral("Sayfa%1").arg(p);
    QCOMPARE(reader.sheetNames(), names);
    int expected = 1;
    for (int p = 0; p < perSheet.size(); ++p) {
        const XlsxSheet &sheet = reader.sheet(p);
        QCOMPARE(sheet.rowTexts(0), QStringList({"No", "GsmNo"}));
        QCOMPARE(sheet.rowCount(), 1 + perSheet[p]);
        for (int r = 1; r < sheet.rowCount(); ++r, ++expected) {
            const XlsxCell no = sheet.cell(r, 0);
            if (no.kind != XlsxCell::Number || no.number != expected)
                QFAIL(qPrintable(QStringLiteral("sheet %1 row %2 holds %3").arg(p + 1).arg(r + 1).arg(no.number)));
        }
    }
    QCOMPARE(expected, rows + 1);
    if (rows > 0) {
        const XlsxSheet &last = reader.sheets().last();
        QCOMPARE(last.rowTexts(last.rowCount() - 1),
                 QStringList({QString::number(rows), QStringLiteral("5%1").arg(rows, 9, 10, QLatin1Char('0'))}));
    }
}

void TestSpreadsheetExport::headings_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("written");
    const QStringList names{"GsmNo", "Ad", "Soyad", "Durum"};
    QTest::newRow("field names and a spare slot") << (QStringList(names) << "Fazla") << names;
    QTest::newRow("exactly the field names") << names << names;
    QTest::newRow("fewer than the fields") << QStringList{"Numara", "İsim"} << QStringList{"Numara", "İsim"};
    QTest::newRow("none") << QStringList() << QStringList();
}

void TestSpreadsheetExport::headings()
{
    QFETCH(QStringList, headers);
    QFETCH(QStringList, written);
    PromptRecorder prompts;
    ShellRecorder shell;
    RecordSet rs;
    for (const char *name : {"GsmNo", "Ad", "Soyad", "Durum"}) rs.appendField(QString::fromLatin1(name));
    rs.addRow({"5321112233", "Ayşe", "Yılmaz", "İletildi"});
    rs.addRow({"5331112233", "Gül", "Şahin", "Beklemede"});
    rs.addRow({"5341112233", "Ömer", "Çelik", "Hata"});
    const QString path = m_dir.filePath(QStringLiteral("basliklar.xlsx"));

    ExportToExcel(rs, path, headers);

    QCOMPARE(prompts.texts(), QStringList{kDone});
    const XlsxSheet sheet = readSingleSheet(path);
    QCOMPARE(sheet.name, QStringLiteral("Sayfa1"));
    QCOMPARE(sheet.rowCount(), 4);
    QStringList heading = sheet.rowTexts(0);
    while (!heading.isEmpty() && heading.last().isEmpty()) heading.removeLast();
    QCOMPARE(heading, written);
    QCOMPARE(sheet.rowTexts(1), QStringList({"5321112233", "Ayşe", "Yılmaz", "İletildi"}));
    QCOMPARE(sheet.rowTexts(3), QStringList({"5341112233", "Ömer", "Çelik", "Hata"}));
}

void TestSpreadsheetExport::typedValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("shown"); // the text, the number, or the date in Turkish form
    QTest::addColumn<QString>("format");

    const int num = XlsxCell::Number, text = XlsxCell::Text, empty = XlsxCell::Empty, boolean = XlsxCell::Bool;
    QTest::newRow("int") << QVariant(42) << num << "42"
                         << "General";
    QTest::newRow("negative double") << QVariant(-3.25) << num << "-3.25"
                                     << "General";
    QTest::newRow("15-digit integer") << QVariant(999999999999999LL) << num << "999999999999999"
                                      << "General";
    QTest::newRow("19-digit integer") << QVariant(1234567890123456789LL) << text << "1234567890123456789"
                                      << "General";
    QTest::newRow("not a number") << QVariant(std::numeric_limits<double>::quiet_NaN()) << text << "nan"
                                  << "General";
    QTest::newRow("bool") << QVariant(true) << boolean << "TRUE"
                          << "General";
    QTest::newRow("digits as text") << QVariant(QStringLiteral("05321234567")) << text << "05321234567"
                                    << "General";
    QTest::newRow("turkish letters") << QVariant(QStringLiteral("ÇĞİÖŞÜ çğıöşü")) << text << "ÇĞİÖŞÜ çğıöşü"
                                     << "General";
    QTest::newRow("letters beyond the first plane") << QVariant(QStringLiteral("ok \U0001F600 \U00010348")) << text
                                                    << QStringLiteral("ok \U0001F600 \U00010348") << "General";
    // As QString::toUtf8 writes them: a surrogate without its pair is a '?'.
    QTest::newRow("unpaired surrogates") << QVariant(QString(QChar(0xD800)) + "a" + QChar(0xDC00) + QChar(0xD83D))
                                         << text << "?a??"
                                         << "General";
    QTest::newRow("long text") << QVariant(QString(20000, QChar(0x015F))) << text << QString(20000, QChar(0x015F))
                               << "General";
    QTest::newRow("line break") << QVariant(QStringLiteral("satır 1\r\nsatır 2")) << text << "satır 1\r\nsatır 2"
                                << "General";
    QTest::newRow("markup characters") << QVariant(QStringLiteral("<a href=\"x\">&amp;'</a>")) << text
                                       << "<a href=\"x\">&amp;'</a>"
                                       << "General";
    QTest::newRow("control character") << QVariant(QStringLiteral("a\x01"
                                                                  "b"))
                                       << text
                                       << "a\x01"
                                          "b"
                                       << "General";
    QTest::newRow("empty text") << QVariant(QString()) << empty << ""
                                << "General";
    QTest::newRow("null") << QVariant() << empty << ""
                          << "General";
    QTest::newRow("null whole number") << QVariant(QMetaType::fromType<int>()) << empty << ""
                                       << "General";
    QTest::newRow("null long whole number") << QVariant(QMetaType::fromType<qlonglong>()) << empty << ""
                                            << "General";
    QTest::newRow("null number") << QVariant(QMetaType::fromType<double>()) << empty << ""
                                 << "General";
    QTest::newRow("null yes/no") << QVariant(QMetaType::fromType<bool>()) << empty << ""
                                 << "General";
    QTest::newRow("null date") << QVariant(QMetaType::fromType<QDate>()) << empty << ""
                               << "General";
    QTest::newRow("date") << QVariant(QDate(2024, 2, 29)) << num << "29.02.2024"
                          << "dd.mm.yyyy";
    QTest::newRow("1 March 1900") << QVariant(QDate(1900, 3, 1)) << num << "01.03.1900"
                                  << "dd.mm.yyyy";
    QTest::newRow("28 February 1900") << QVariant(QDate(1900, 2, 28)) << text << "28.02.1900"
                                      << "General";
    QTest::newRow("date and time") << QVariant(QDateTime(QDate(2024, 3, 1), QTime(13, 45, 30))) << num
                                   << "01.03.2024 13:45:30"
                                   << "dd.mm.yyyy hh:mm:ss";
    QTest::newRow("time") << QVariant(QTime(8, 5, 0)) << num << "08:05:00"
                          << "hh:mm:ss";
    QTest::newRow("date before 1900") << QVariant(QDate(1899, 12, 30)) << text << "30.12.1899"
                                      << "General";
    QTest::newRow("invalid date") << QVariant(QDate()) << empty << ""
                                  << "General";
}

void TestSpreadsheetExport::typedValues()
{
    QFETCH(QVariant, value);
    QFETCH(int, kind);
    QFETCH(QString, shown);
    QFETCH(QString, format);
    PromptRecorder prompts;
    ShellRecorder shell;
    RecordSet rs;
    rs.appendField(QStringLiteral("Önce"));
    rs.appendField(QStringLiteral("Değer"), value.isValid() ? QMetaType::Type(value.typeId()) : QMetaType::QString);
    rs.appendField(QStringLiteral("Sonra"));
    rs.addRow({"x", value, "y"});
    const QString path = m_dir.filePath(QStringLiteral("tipler.xlsx"));

    ExportToExcel(rs, path, headerList(rs));

    QCOMPARE(prompts.texts(), QStringList{kDone});
    const XlsxSheet sheet = readSingleSheet(path);
    QCOMPARE(sheet.rowTexts(0), QStringList({"Önce", "Değer", "Sonra"}));
    QCOMPARE(sheet.cell(1, 0).text, QStringLiteral("x"));
    QCOMPARE(sheet.cell(1, 2).text, QStringLiteral("y"));
    const XlsxCell cell = sheet.cell(1, 1);
    QCOMPARE(int(cell.kind), kind);
    QCOMPARE(cell.numberFormat, format);
    if (cell.isDate()) {
        const QString qtFormat = format == QLatin1String("hh:mm:ss") ? QStringLiteral("HH:mm:ss")
                                 : format.contains(u'h')             ? QStringLiteral("dd.MM.yyyy HH:mm:ss")
                                                                     : QStringLiteral("dd.MM.yyyy");
        QCOMPARE(XlsxReader::dateText(cell.number, qtFormat), shown);
    } else {
        QCOMPARE(sheet.rowTexts(1).value(1), shown);
    }
}

void TestSpreadsheetExport::filteredRowsOnly()
{
    PromptRecorder prompts;
    ShellRecorder shell;
    RecordSet rs = numberedList(10);
    rs.setFilter([](const RecordRow &r) { return r.at(0).toInt() % 3 == 0; });
    const QString path = m_dir.filePath(QStringLiteral("suzgec.xlsx"));

    ExportToExcel(rs, path, headerList(rs));

    const XlsxSheet sheet = readSingleSheet(path);
    QCOMPARE(sheet.rowCount(), 4);
    QCOMPARE(sheet.rowTexts(1).value(0), QStringLiteral("3"));
    QCOMPARE(sheet.rowTexts(3).value(0), QStringLiteral("9"));
    QCOMPARE(gProgressTotal, 3);
}

void TestSpreadsheetExport::replacesExistingFile()
{
    PromptRecorder prompts;
    ShellRecorder shell;
    const QString path = m_dir.filePath(QStringLiteral("gitmeyen.xlsx"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }
    const RecordSet rs = numberedList(2);

    ExportToExcel(rs, path, headerList(rs));

    QCOMPARE(prompts.texts(), QStringList{kDone});
    const XlsxSheet sheet = readSingleSheet(path);
    QCOMPARE(sheet.rowCount(), 3);
    QCOMPARE(sheet.rowTexts(2), QStringList({"2", "5000000002"}));
}

void TestSpreadsheetExport::yieldsWhileWriting_data()
{
    QTest::addColumn<int>("sliceMs");
    QTest::addColumn<bool>("everyRow"); // the events run after every row, not once per slice
    QTest::newRow("events after every row") << 0 << true;
    // 3000 rows fit in one slice: the events run at the first row and at the stages.
    QTest::newRow("events once per slice") << 60000 << false;
}

void TestSpreadsheetExport::yieldsWhileWriting()
{
    QFETCH(int, sliceMs);
    QFETCH(bool, everyRow);
    TimeSlice::setLength(sliceMs);
    PromptRecorder prompts;
    ShellRecorder shell;
    ProgressRecorder progress;
    const RecordSet rs = numberedList(3000);
    const QString path = m_dir.filePath(QStringLiteral("akis.xlsx"));
    // A timer stands for the progress window's tick: it only runs while the export yields.
    QList<long long> seen;
    bool timerOffWhileCounting = false;
    QTimer tick;
    tick.setInterval(0);
    connect(&tick, &QTimer::timeout, this, [&] {
        seen << gProgressDone;
        if (gProgressDone > 0 && gProgressDone < gProgressTotal && !progress.timerOn) timerOffWhileCounting = true;
    });
    tick.start();

    ExportToExcel(rs, path, headerList(rs));
    tick.stop();

    const auto whileCounting = std::count_if(seen.begin(), seen.end(), [](long long d) { return d > 0 && d < 3000; });
    if (everyRow)
        QVERIFY(whileCounting >= 2999);
    else
        QVERIFY(seen.size() < 20);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(!timerOffWhileCounting);
    QVERIFY(progress.speedShown);
    QVERIFY(!progress.timerOn);
    QCOMPARE(prompts.texts(), QStringList{kDone});
}

void TestSpreadsheetExport::rowsRemovedWhileYielding()
{
    PromptRecorder prompts;
    ShellRecorder shell;
    TimeSlice::setLength(0); // events after every row, so rows go while the rows are written
    RecordSet rs = numberedList(3000);
    const QString path = m_dir.filePath(QStringLiteral("azalan.xlsx"));
    QTimer shrink;
    shrink.setInterval(0);
    connect(&shrink, &QTimer::timeout, this, [&] {
        if (rs.rowCount() > 1000) rs.removeRow(rs.rowCount() - 1);
    });
    shrink.start();

    ExportToExcel(rs, path, headerList(rs));
    shrink.stop();

    QCOMPARE(prompts.texts(), QStringList{kDone});
    const XlsxSheet sheet = readSingleSheet(path);
    QVERIFY(sheet.rowCount() > 1000 && sheet.rowCount() <= 3001);
    QCOMPARE(sheet.rowTexts(sheet.rowCount() - 1).value(0), QString::number(sheet.rowCount() - 1));
}

void TestSpreadsheetExport::stopsWhenItsCallerMustStop_data()
{
    QTest::addColumn<int>("stopAtCall"); // the stop test says true from this call on
    QTest::newRow("before the old file goes") << 1;
    QTest::newRow("while the rows are written") << 500;
}

// The window that started the export went away during a yield: no workbook is written, no
// box comes, nothing is opened; an old file of that name stays unless its deletion had run.
void TestSpreadsheetExport::stopsWhenItsCallerMustStop()
{
    QFETCH(int, stopAtCall);
    PromptRecorder prompts;
    ShellRecorder shell;
    ProgressRecorder progress;
    TimeSlice::setLength(0);
    const RecordSet rs = numberedList(3000);
    const QString path = m_dir.filePath(QStringLiteral("durdurulan.xlsx"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("eski");
    }
    int calls = 0;
    ExportToExcel(rs, path, headerList(rs), [&] { return ++calls >= stopAtCall; });

    QCOMPARE(calls, stopAtCall);
    QVERIFY(prompts.texts().isEmpty());
    QVERIFY(shell.openedFiles.isEmpty());
    QCOMPARE(progress.hides, 0);
    QCOMPARE(QFileInfo::exists(path), stopAtCall == 1);
    QVERIFY(gProgressDone < 3000);
}

void TestSpreadsheetExport::failures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("box");       // %1 = the file name
    QTest::addColumn<bool>("saved");        // a readable workbook is left at the path
    QTest::addColumn<bool>("doneBoxFirst"); // the completion box came before the failure
    QTest::addColumn<bool>("windowHidden");

    QTest::newRow("existing name cannot be deleted")
        << "directory"
        << "\"%1\" silinemedi: " + QStringLiteral("\r\n") + kStageDelete << false << false << false;
    QTest::newRow("folder does not exist")
        << "no folder"
        << "\"%1\" dosyası oluşturulamadı; klasör bulunamıyor ya da yazma izni yok.\r\n" + kStageHeaders << false
        << false << false;
    QTest::newRow("text too long for a cell")
        << "long text"
        << "Sayfa1 sayfasının 3. satırı, 2. sütunu yazılamadı: Metin 32767 karakterden uzun.\r\n" + kStageWrite << false
        << false << false;
    QTest::newRow("heading too long for a cell")
        << "long heading"
        << "Sayfa1 sayfasının 1. satırı, 1. sütunu yazılamadı: Metin 32767 karakterden uzun.\r\n" + kStageHeaders
        << false << false << false;
    QTest::newRow("file gone before it is shown") << "vanished"
                                                  << "\"%1\" bulunamadı.\r\n" + kStageRead << false << true << true;
    QTest::newRow("spreadsheet program does not start") << "no viewer"
                                                        << "\"%1\" açılamadı.\r\n" + kStageShow << true << true << true;
    QTest::newRow("desktop finds no spreadsheet program afterwards")
        << "viewer gives up"
        << "\"%1\" açılamadı.\r\n" + kStageShow << true << true << true;
}

void TestSpreadsheetExport::failures()
{
    QFETCH(QString, setup);
    QFETCH(QString, box);
    QFETCH(bool, saved);
    QFETCH(bool, doneBoxFirst);
    QFETCH(bool, windowHidden);

    QString path = m_dir.filePath(QStringLiteral("hata-%1.xlsx").arg(QTest::currentDataTag()).replace(u' ', u'_'));
    RecordSet rs = numberedList(4);
    QStringList headers = headerList(rs);
    if (setup == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/icerik")));
    } else if (setup == QLatin1String("no folder")) {
        path = m_dir.filePath(QStringLiteral("yok/liste.xlsx"));
    } else if (setup == QLatin1String("long text")) {
        rs.setValue(1, 1, QString(40000, u'a'));
    } else if (setup == QLatin1String("long heading")) {
        headers[0] = QString(40000, u'b');
    }
    BoxLog log([&](const QString &text) {
        if (setup == QLatin1String("vanished") && text == kDone) QFile::remove(path);
    });
    ShellRecorder shell;
    shell.result = setup != QLatin1String("no viewer");
    ProgressRecorder progress;
    const int filesBefore = openFiles();

    ExportToExcel(rs, path, headers);
    if (setup == QLatin1String("viewer gives up")) {
        QCOMPARE(log.boxes.size(), 1);
        shell.decline();
    }

    QCOMPARE(openFiles(), filesBefore);
    QCOMPARE(log.boxes.size(), doneBoxFirst ? 2 : 1);
    if (doneBoxFirst) QCOMPARE(log.boxes.first().text, kDone);
    const PromptRecord &failure = log.boxes.last();
    const QString expected = box.contains(QLatin1String("%1")) ? box.arg(QDir::toNativeSeparators(path)) : box;
    if (setup == QLatin1String("directory")) {
        // The description ends with the platform's reason, which this test does not pin.
        QVERIFY2(failure.text.startsWith(expected.section(QStringLiteral("\r\n"), 0, 0)), qPrintable(failure.text));
        QVERIFY(failure.text.endsWith(QStringLiteral("\r\n") + kStageDelete));
        QVERIFY(QFileInfo(path).isDir());
    } else {
        QCOMPARE(failure.text, expected);
    }
    QCOMPARE(failure.icon, PromptIcon::Critical);
    QCOMPARE(failure.title, QStringLiteral("Uyarı"));
    QCOMPARE(progress.hides, windowHidden ? 1 : 0);
    QVERIFY(!progress.timerOn);
    if (setup != QLatin1String("directory")) {
        XlsxReader reader;
        QCOMPARE(reader.open(path), saved);
        QCOMPARE(QFileInfo::exists(path), saved);
    }
    QCOMPARE(shell.openedFiles.size(), setup.contains(QLatin1String("viewer")) ? 1 : 0);
}

void TestSpreadsheetExport::fileToSave_data()
{
    QTest::addColumn<QStringList>("dialogAnswers"); // %D = a writable folder
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QList<PromptAnswer>>("promptAnswers");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("dialogs");

    using L = QList<PromptAnswer>;
    QTest::newRow("cancelled") << QStringList{""} << QStringList() << L() << "" << 1;
    QTest::newRow("with the extension") << QStringList{"%D/rapor.xlsx"} << QStringList() << L() << "%D/rapor.xlsx" << 1;
    QTest::newRow("other extension kept") << QStringList{"%D/rapor.xls"} << QStringList() << L() << "%D/rapor.xls" << 1;
    QTest::newRow("extension added") << QStringList{"%D/rapor"} << QStringList() << L() << "%D/rapor.xlsx" << 1;
    QTest::newRow("trailing dot") << QStringList{"%D/rapor."} << QStringList() << L() << "%D/rapor.xlsx" << 1;
    QTest::newRow("added name exists, replace")
        << QStringList{"%D/var"} << QStringList{"var.xlsx"} << L{PromptAnswer::Yes} << "%D/var.xlsx" << 1;
    QTest::newRow("added name exists, keep, then cancel")
        << QStringList{"%D/var", ""} << QStringList{"var.xlsx"} << L{PromptAnswer::No} << "" << 2;
    QTest::newRow("added name exists, keep, then another")
        << QStringList{"%D/var", "%D/yeni"} << QStringList{"var.xlsx"} << L{PromptAnswer::No} << "%D/yeni.xlsx" << 2;
}

void TestSpreadsheetExport::fileToSave()
{
    QFETCH(QStringList, dialogAnswers);
    QFETCH(QStringList, existing);
    QFETCH(QList<PromptAnswer>, promptAnswers);
    QFETCH(QString, result);
    QFETCH(int, dialogs);
    QTemporaryDir dir;
    for (const QString &name : existing) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    FileDialogStub dialog;
    for (const QString &a : dialogAnswers) dialog.setNextFileName(QString(a).replace(QStringLiteral("%D"), dir.path()));
    PromptRecorder prompts;
    for (PromptAnswer a : promptAnswers) prompts.setNextAnswer(a);

    QCOMPARE(GetExcelFileToSave(), result.replace(QStringLiteral("%D"), dir.path()));

    QCOMPARE(dialog.titles, QStringList(dialogs, QStringLiteral("Save As")));
    QCOMPARE(dialog.filters, QStringList(dialogs, QStringLiteral("Microsoft Excel Dosyaları (*.xlsx)")));
    // Asked again, the dialog opens where the operator was.
    QCOMPARE(dialog.startFolders.mid(1), QStringList(dialogs - 1, dir.path()));
    QCOMPARE(prompts.count(), promptAnswers.size());
    for (const PromptRecord &r : prompts.records()) {
        QCOMPARE(r.text, QStringLiteral("var.xlsx zaten var.\r\nDeğiştirmek istiyor musunuz?"));
        QCOMPARE(r.icon, PromptIcon::Exclamation);
        QCOMPARE(r.title, QStringLiteral("Farklı Kaydetmeyi Onayla"));
        QCOMPARE(r.buttons, PromptButtons::YesNo);
    }
}

void TestSpreadsheetExport::dialogStartsInAnExistingFolder_data()
{
    QTest::addColumn<QString>("userDirs");    // the desktop's user-dirs.dirs, "" = none
    QTest::addColumn<QStringList>("folders"); // made in the home folder
    QTest::addColumn<QString>("file");        // a plain file made in the home folder
    QTest::addColumn<QString>("start");       // relative to the home folder
    const QString turkish = QStringLiteral("XDG_DOCUMENTS_DIR=\"$HOME/Belgeler\"\n");
    QTest::newRow("Documents there") << "" << QStringList{"Documents"} << ""
                                     << "Documents";
    QTest::newRow("no Documents") << "" << QStringList() << ""
                                  << "";
    QTest::newRow("a file named Documents") << "" << QStringList() << "Documents"
                                            << "";
    QTest::newRow("Turkish desktop, Belgeler there") << turkish << QStringList{"Belgeler"} << ""
                                                     << "Belgeler";
    QTest::newRow("Turkish desktop, Belgeler missing") << turkish << QStringList{"Documents"} << ""
                                                       << "";
}

// The dialog opens in a folder that exists, never with the name of a missing one proposed as
// the file name.
void TestSpreadsheetExport::dialogStartsInAnExistingFolder()
{
    QFETCH(QString, userDirs);
    QFETCH(QStringList, folders);
    QFETCH(QString, file);
    QFETCH(QString, start);
    QTemporaryDir home;
    const ScopedEnv homeVar("HOME", QFile::encodeName(home.path()));
    const ScopedEnv configVar("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    for (const QString &f : folders) QVERIFY(QDir(home.path()).mkpath(f));
    if (!file.isEmpty()) {
        QFile plain(home.filePath(file));
        QVERIFY(plain.open(QIODevice::WriteOnly));
    }
    if (!userDirs.isEmpty()) {
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral(".config")));
        QFile dirs(home.filePath(QStringLiteral(".config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write(userDirs.toUtf8());
    }
    FileDialogStub dialog;

    QCOMPARE(GetExcelFileToSave(), QString());

    const QString expected = start.isEmpty() ? home.path() : home.filePath(start);
    QCOMPARE(dialog.startFolders, QStringList({expected}));
}

QTEST_GUILESS_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheetexport.moc"
