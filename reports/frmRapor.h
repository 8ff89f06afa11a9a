#pragma once

// The delivery report window, docked. Its tabs: 0 one logged send (chosen in the list of
// sends), 1 every send between two days, 2 the sends to one mobile number. All three show
// one report (rsKopuk1, see ReportDataControl.h), emptied at every tab change.
//
// Tabs 0 and 1 fetch their report from the gateway (RaporCek, RaporCek2) behind the progress
// window, counting the delivery states into their summary boxes; their four state boxes
// narrow the report to the ticked states. While a fetch runs the tab bar and every view,
// export and message button are disabled (see FetchScope); the "Vazgeç" buttons stay live,
// and leaving the window ends the fetch.
//
// Tab 2 lists the sends to one mobile number (Action 14); the two "Mesaj göster" buttons show
// a send's text (Action 15); each tab's "Excel'e gönder" writes the rows shown to a workbook
// and then empties the report. They all work on the same report: ReportSet() (filtered by
// the state boxes; its rows as shown), CreateFields1() for a fresh one, ReportCurrentRow()
// for the row selected in the current tab's grid, and a FetchScope around each of them.

#include "shell/DockedWindow.h"

#include "core/RecordSet.h"
#include "reports/NumberReport.h"
#include "reports/Reports.h"

#include <QString>
#include <array>

class DataGrid;
class QCheckBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class RecordSetModel;
class ReportDataControl;

class frmRapor : public DockedWindow {
    Q_OBJECT
public:
    frmRapor();
    ~frmRapor() override;

    // "1": report rows carry the contact's names; "0": number and state only.
    QString mFlgRaporad = QStringLiteral("0");

private:
    // --- Controls ----------------------------------------------------------------------
    QFrame *frRapor = nullptr;
    QTabWidget *SSTab1 = nullptr;

    // Tab 0
    QFrame *frSMS = nullptr;
    DataGrid *DataGrid1 = nullptr;
    DataGrid *DataGrid2 = nullptr;
    QFrame *frOzet1 = nullptr;
    QPushButton *cmdMsgGoster = nullptr;
    QPushButton *cmdRaporGoruntule_1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label11 = nullptr;
    QLineEdit *Text11 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QCheckBox *Check2 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *Text3 = nullptr;
    QCheckBox *Check3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *Text4 = nullptr;
    QCheckBox *Check4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text5 = nullptr;
    QPushButton *cmdExceleGonder_1 = nullptr;
    QPushButton *cmdVazgec_1 = nullptr;

    // Tab 1
    QFrame *frTarih = nullptr;
    QGroupBox *Frame3 = nullptr;
    QLabel *Label6 = nullptr;
    QDateEdit *DTPicker1 = nullptr;
    QLabel *Label7 = nullptr;
    QDateEdit *DTPicker2 = nullptr;
    QPushButton *cmdRaporGoruntule_2 = nullptr;
    DataGrid *DataGrid3 = nullptr;
    QFrame *frOzet2 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QLabel *Label17 = nullptr;
    QLineEdit *Text12 = nullptr;
    QLabel *Label18 = nullptr;
    QLineEdit *Text13 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *Text6 = nullptr;
    QCheckBox *Check5 = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Text7 = nullptr;
    QCheckBox *Check6 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Text8 = nullptr;
    QCheckBox *Check7 = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *Text9 = nullptr;
    QCheckBox *Check8 = nullptr;
    QLabel *Label13 = nullptr;
    QLineEdit *Text10 = nullptr;
    QPushButton *cmdExceleGonder_2 = nullptr;
    QPushButton *cmdVazgec_2 = nullptr;

    // Tab 2
    QFrame *frGSM = nullptr;
    QGroupBox *Frame5 = nullptr;
    QLabel *Label15 = nullptr;
    QDateEdit *DTPicker3 = nullptr;
    QLabel *Label16 = nullptr;
    QDateEdit *DTPicker4 = nullptr;
    QGroupBox *Frame6 = nullptr;
    QLineEdit *txtGsmNo = nullptr;
    QPushButton *cmdRaporGoruntule_3 = nullptr;
    DataGrid *DataGrid4 = nullptr;
    QPushButton *cmdMesajGoster = nullptr;
    QPushButton *cmdExceleGonder_3 = nullptr;
    QPushButton *cmdVazgec_3 = nullptr;

    // The list of logged sends (DataGrid1) and the report (DataGrid2 to DataGrid4).
    RecordSetModel *rsRapor1 = nullptr;
    ReportDataControl *rsKopuk1 = nullptr;

public:
    // --- Data ----------------------------------------------------------------------------
    const RecordSet &ReportList() const { return m_list; }
    // The report (rsKopuk1's record set) and its current row in the current tab's grid
    // (a visible row; -1 when there is none).
    RecordSet &ReportSet();
    int ReportCurrentRow() const;
    // The grid of a tab (0: DataGrid2, 1: DataGrid3, 2: DataGrid4).
    DataGrid *ReportGrid(int tab) const;
    // Whether a fetch runs (its FetchScope is open).
    bool isFetching() const { return m_fetching > 0; }

    // --- Procedures ------------------------------------------------------------------------
    void Grid1Ayar();
    // A fresh, empty report of the fields of mFlgRaporad, the grids' columns set for it.
    void CreateFields1();
    void Tab0Ayar();
    void Tab1Ayar();
    void Tab2Ayar();
    void RaporCek();
    void RaporCek2();
    QString MesajDurumu(short gel) const;
    // The Save-As dialog of the exports ("" when cancelled).
    QString GetExcelFileToSave();

    // --- Handlers ------------------------------------------------------------------------------
    void SSTab1_Click();
    void cmdRaporGoruntule_1_Click();
    void cmdRaporGoruntule_2_Click();
    void cmdRaporGoruntule_3_Click();
    void cmdMsgGoster_Click();
    void cmdMesajGoster_Click();
    void cmdExceleGonder_1_Click();
    void cmdExceleGonder_2_Click();
    void cmdExceleGonder_3_Click();
    void cmdVazgec_1_Click();
    void cmdVazgec_2_Click();
    void cmdVazgec_3_Click();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    void Check7_Click();
    void Check8_Click();

    // While it lives: the tab bar and every view, export and message button are disabled,
    // the cancel buttons stay live; at its end they are enabled again (unless the window
    // has been unloaded meanwhile).
    class FetchScope {
    public:
        explicit FetchScope(frmRapor *window);
        ~FetchScope();
        FetchScope(const FetchScope &) = delete;
        FetchScope &operator=(const FetchScope &) = delete;

    private:
        frmRapor *m_window;
    };

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    bool Form_QueryUnload() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void buildPackageTab();
    void buildRangeTab();
    void buildNumberTab();
    void connectHandlers();
    void applyReportColumns();
    // The report grids' columns fitted to their rows (DataGrid::fitColumns).
    void fitReportColumns();
    std::array<QCheckBox *, 4> stateBoxes(int tab) const;
    void applyStatusFilter(int tab);
    void viewReport(int tab);
    void fetch(ReportFetch kind);
    void showMessageText(MessageTextTab tab);
    void exportReport(int tab);
    void cancelOrClose(QPushButton *button);
    void updateFetchControls();

    RecordSet m_list;
    int m_fetching = 0;
};
