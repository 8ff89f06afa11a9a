#pragma once

// The query and chart window over the incoming messages: a modal window over the interactive
// SMS window, a member of the work set. Tab 0 lists the messages (rs1), tab 1 the number of
// messages per distinct text (rs2) in a grid and a bar chart, one bar per count row in the
// grid's order (at most 32767). Each bar is named under it by its whole text, wrapped onto up
// to three lines; when a text does not fit its bar that way, or two texts would look alike,
// the bars carry their row numbers in the count grid instead (as far as a number fits a bar).
// Pointing at a bar shows its text and count in a tip and in the line under the chart, which
// also names the bar of the count grid's current row. "Filtrele" reads both again for the day range of the pickers
// and the keyword (the leading text of the messages); "Tüm kayıtlar" and the deletes read
// everything again. A failing read, filter, delete or chart shows what failed and leaves the
// window usable. "Kapat", Escape and the close box unload it.
//
// The opener calls Form_Load() and then exec(), holding a WorkForms::KeepAlive over both
// windows across exec().

#include "core/RecordSet.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class DataGrid;
class QBarCategoryAxis;
class QBarSeries;
class QChart;
class QChartView;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The most bars the chart shows: the first count rows in order.
inline constexpr int kChartMaxBars = 32767;

class frmInteractiveGraf : public QDialog {
    Q_OBJECT
public:
    explicit frmInteractiveGraf(QWidget *parent = nullptr);
    ~frmInteractiveGraf() override;

private:
    QLabel *Label1 = nullptr; // heading
    QLabel *Image1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QDateEdit *DTPicker1 = nullptr;
    QLabel *Label4 = nullptr;
    QDateEdit *DTPicker2 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *DMSXpButton4 = nullptr; // "Filtrele"
    QPushButton *DMSXpButton2 = nullptr; // "Tüm kayıtlar"
    QTabWidget *SSTab1 = nullptr;
    DataGrid *DataGrid1 = nullptr;
    DataGrid *DataGrid2 = nullptr;
    QChartView *MSChart1 = nullptr;
    QLabel *BarText = nullptr;           // under the chart: the number, text and count of one bar
    QPushButton *DMSXpButton3 = nullptr; // "Seçili kayıtları sil"
    QPushButton *DMSXpButton6 = nullptr; // "Tümünü sil"
    QPushButton *DMSXpButton5 = nullptr; // "Kayıtları Excel'e gönder"
    QPushButton *DMSXpButton1 = nullptr; // "Kapat"

public:
    const RecordSet &rs1() const { return m_rs1; }
    const RecordSet &rs2() const { return m_rs2; }
    // The chart's series (nullptr while it has no bars), and the label and height of each bar.
    QBarSeries *ChartSeries() const { return m_series; }
    const QStringList &BarLabels() const { return m_barLabels; }
    QList<qreal> BarValues() const;

    void Form_Load();
    void GridAyar();
    void GrafikRef();

    void DMSXpButton1_Click();
    void DMSXpButton2_Click();
    void DMSXpButton3_Click();
    void DMSXpButton4_Click();
    void DMSXpButton5_Click();
    void DMSXpButton6_Click();

    // Escape and the close box end the window like "Kapat".
    void reject() override;

private:
    // Reads both sets again without a filter and shows them; throws OrvekError.
    void reloadBoth();
    void showMessages(RecordSet rs);
    void showCounts(RecordSet rs);
    void resetPickers();
    void showFailure(const QString &description);
    // Names the bars for the width the plot area gives each of them now.
    void nameBars();
    // The line under the chart for bar `index` (-1: empty).
    void showBarText(int index);

    RecordSet m_rs1;
    RecordSet m_rs2;
    RecordSetModel *m_model1 = nullptr;
    RecordSetModel *m_model2 = nullptr;
    QChart *m_chart = nullptr;
    QBarSeries *m_series = nullptr;
    QBarCategoryAxis *m_categoryAxis = nullptr;
    qreal m_namedBarWidth = -1; // the bar width the names were made for
    QStringList m_barLabels;
};
