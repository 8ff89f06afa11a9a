#pragma once

// The recipient windows: one design for the four windows that send a text to a list of ERP
// recipients (frmChkMesaj account cards, frmGrupMesaj account groups, frmYetkiliMesaj contact
// persons, frmBakiyeGonder open balances). They differ only in their row of
// RecipientWindowMembers; the classes themselves are in RecipientWindows.h.
//
// The window holds, by control name:
//   Frame3      header: Label6 the window title, Label8 the description line
//   rsGrup / rsBakiye   the data control (ErpDataControl): the query's rows in memory
//   DataGrid1   the grid over the data control, caption grid title + " (Toplam : n kayıt)"
//   Frame2      the filter frame "Filtre uygula": Combo1, Option1-3, Combo2, txtDeger, txtTarih,
//               List1, Command6 "Ekle", Command7 "Sil", Command2 "Filtrele", Command3 "Filtre kaldır"
//   Frame1      "Mesaj içeriği": txtMesaj, Label7 (remaining characters) and Label1 "/ 160",
//               Command1 "Alan ekle", Command5 "Mesaj şablonu seç", chkSablonKaydet and, except
//               in frmBakiyeGonder, chkMukerrer
//   Command4    "İleri >>": runs the send hand-over installed with setSendHandler()
//
// The hand-over behind "İleri >>" works on what this header gives: recordSet() (the rows under
// the filter in force), messageText() (txtMesaj with CR LF line breaks), saveAsTemplate()
// (chkSablonKaydet), hasDuplicateOption() and duplicatesAllowed() (chkMukerrer), members()
// (kind key, window title), focusMessageBox(). It hides the window with hide() and shows it
// again with Show().

#include "shell/DockedWindow.h"

#include "core/RecordSet.h"
#include "messaging/FilterBuilder.h"

#include <QString>
#include <QVector>
#include <functional>

class DataGrid;
class ErpDataControl;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// One row of the family table.
struct RecipientWindowMembers {
    const char *className;      // "frmChkMesaj"
    const char *kindKey;        // query, template set and template kind: "ChkMesaj"
    const char *title;          // header, picker caller title and send kind
    const char *description;    // the header's second line
    const char *gridTitle;      // grid caption before " (Toplam : n kayıt)"
    const char *dataControl;    // "rsGrup" or "rsBakiye"
    const char *queryStageText; // the message when the query cannot be run or counted
    bool duplicateOption;       // whether the window has chkMukerrer

    // The four rows, in the order frmChkMesaj, frmGrupMesaj, frmYetkiliMesaj, frmBakiyeGonder.
    static const QVector<RecipientWindowMembers> &all();
    // The row of a class name; nullptr when there is none.
    static const RecipientWindowMembers *find(const QString &className);
};

// The stage text while the ERP connection opens.
inline constexpr const char *kErpConnectStageText = "Orvek veritabanıyla bağlantı kurulamıyor.";

// The layout of a recipient window from its client size, in twips (the design sizes it uses
// are the constants below). Each value is one step of ArrangeControls; a width or height below
// 0 is not applied.
struct RecipientLayout {
    // Design sizes.
    static constexpr int kFrame3Height = 855;
    static constexpr int kFrame1Height = 1900;
    static constexpr int kFrame2Width = 3015;
    static constexpr int kList1Top = 3240;
    static constexpr int kLabel7Width = 495;
    static constexpr int kLabel1Width = 540;
    static constexpr int kCommand4Width = 1215;

    int frame3Width, frame2Left, frame2Top, frame2Height, command2Top, command3Top, list1Height;
    int frame1Top, frame1Width, gridTop, gridWidth, gridHeight, txtMesajWidth, label7Left, label1Left, command4Top,
        command4Left;

    static RecipientLayout compute(int clientWidth, int clientHeight);
};

// Grid widths of columns 0 to 7 in twips; further columns keep the default.
QVector<int> RecipientGridColumnWidths();

class RecipientWindow : public DockedWindow {
    Q_OBJECT
public:
    explicit RecipientWindow(const RecipientWindowMembers &members);
    ~RecipientWindow() override;

    const RecipientWindowMembers &members() const { return m_members; }

private:
    // Header
    QFrame *Frame3 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label8 = nullptr;
    // Rows
    ErpDataControl *dataControl = nullptr; // objectName rsGrup or rsBakiye
    DataGrid *DataGrid1 = nullptr;
    // Filter frame
    QGroupBox *Frame2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QComboBox *Combo2 = nullptr;
    QLineEdit *txtDeger = nullptr;
    QLineEdit *txtTarih = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    // Message frame
    QGroupBox *Frame1 = nullptr;
    QPlainTextEdit *txtMesaj = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command5 = nullptr;
    QCheckBox *chkSablonKaydet = nullptr;
    QCheckBox *chkMukerrer = nullptr; // nullptr in frmBakiyeGonder
    QPushButton *Command4 = nullptr;

public:
    // The rows as the filter in force shows them.
    RecordSet &recordSet();
    // txtMesaj's text with every line break as CR LF.
    QString messageText() const;
    // Whether the load failed (every control disabled until the window closes).
    bool loadFailed() const { return m_loadFailed; }
    // Whether chkSablonKaydet is ticked (any state but unticked).
    bool saveAsTemplate() const;
    // Whether the window has chkMukerrer (all but frmBakiyeGonder), and whether it is ticked
    // (any state but unticked; false without the box). Read when asked, so a merge that
    // yields sees the box as it stands.
    bool hasDuplicateOption() const;
    bool duplicatesAllowed() const;
    // Puts the focus in txtMesaj.
    void focusMessageBox();

    // The send hand-over behind "İleri >>", program-wide. Without one the button stays
    // disabled; with one it is enabled in every window that loaded its rows.
    using SendHandler = std::function<void(RecipientWindow &window)>;
    static void setSendHandler(SendHandler handler);
    static bool hasSendHandler();

    // Handlers (the controls' events call them).
    void Command1_Click();
    void Command5_Click();
    void txtMesaj_Change();
    virtual void Command4_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void txtDeger_KeyPress(int &KeyAscii);
    void Command6_Click();
    void Command7_Click();
    void Command2_Click();
    void Command3_Click();

    // The value type of the chosen option.
    FilterValueType valueType() const;

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    bool Form_QueryUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildHeader();
    void buildFilterFrame();
    void buildMessageFrame();
    void SetGridColumnWidths();
    void showGridCaption();
    void disableAllControls();
    void typeClicked(FilterValueType type);

    const RecipientWindowMembers &m_members;
    bool m_loadFailed = false;
};
