#pragma once

// The interactive SMS window, docked. Tab 0 shows the inbox that the automatic program fills,
// newest first, refreshed every 6 seconds, with the text of the selected message and the
// answer sent to it; the inbox is exported from there and the query and chart window opened.
// Tab 1 holds the answer mode with its single answer text, and the keyword rule editor.
//
// The refresh keeps the selected message (by its id, not its position; a message that is gone
// gives the first row). The rule editor is locked (list and buttons usable, fields read-only)
// or editing ("Değiştir" unlocks, "Kaydet" saves and locks). When the field names of a kind
// cannot be read from the ERP database, the window says so and stays disabled, its refresh
// stopped, until another work window replaces it. Its close handler also unloads the field
// placeholder menu.

#include "core/RecordSet.h"
#include "interactive/InteractiveInbox.h"
#include "shell/DockedWindow.h"

#include <QString>
#include <QStringList>

class DataGrid;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

class frmInteractiveSMS : public DockedWindow {
    Q_OBJECT
public:
    frmInteractiveSMS();

private:
    QTabWidget *SSTab1 = nullptr;
    // Tab 0: inbox
    QGroupBox *Frame1 = nullptr;
    DataGrid *DataGrid1 = nullptr;
    QPushButton *DMSXpButton6 = nullptr; // "Excel'e gönder"
    QPushButton *DMSXpButton8 = nullptr; // "Sorgula - Grafik"
    QGroupBox *Frame3 = nullptr;
    QPlainTextEdit *Text3 = nullptr; // text of the selected message
    QGroupBox *Frame2 = nullptr;
    QPlainTextEdit *Text1 = nullptr; // answer sent to it
    // Tab 1: answer mode
    QRadioButton *Option1 = nullptr; // "1"
    QRadioButton *Option3 = nullptr; // "2"
    QRadioButton *Option4 = nullptr; // "0"
    QPlainTextEdit *Text2 = nullptr;
    QPushButton *DMSXpButton2 = nullptr; // "Tüm ayarları kaydet"
    QPushButton *DMSXpButton3 = nullptr; // "Vazgeç" / "Kapat"
    QLabel *Label6 = nullptr;
    // Tab 1: rule editor
    QLabel *Label1 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *DMSXpButton1 = nullptr; // "Yeni"
    QPushButton *DMSXpButton4 = nullptr; // "Sil"
    QPushButton *DMSXpButton7 = nullptr; // "Değiştir" / "Kaydet"
    QPushButton *DMSXpButton5 = nullptr; // "Alan ekle"
    QGroupBox *Frame4 = nullptr;
    QComboBox *Combo1 = nullptr;     // query kind
    QRadioButton *Option2 = nullptr; // by the sender's number
    QRadioButton *Option5 = nullptr; // by the value after the keyword
    QComboBox *Combo2 = nullptr;     // field
    QComboBox *Combo3 = nullptr;     // field type
    QPlainTextEdit *Text5 = nullptr; // answer
    QCheckBox *Check1 = nullptr;
    QPlainTextEdit *Text4 = nullptr; // no-record answer

    QTimer *Timer1 = nullptr;

public:
    // The keyword that the keyword dialog returned to "Yeni"; empty for none.
    QString NewKeyword;

    // The inbox as the grid shows it (id, tarih, gsmno, msg, newest first).
    const RecordSet &rsMsgBox() const { return m_rsMsgBox; }
    // The keyword of the rule shown in the editor (List1's tag); empty for none.
    const QString &List1Tag() const { return m_list1Tag; }
    // The column names of the last export.
    const QStringList &ExportColumns() const { return m_exportColumns; }

    void msgbox_ref();
    void GridAyar();
    void Ayarla();
    void Parametre();
    void ListSel();
    void AlanYerlestir(const QString &SorguTip);
    void ComboDoldur(const QString &SorguTip);
    void PopupButon(const QString &SorguTip);

    void Timer1_Timer();
    void DataGrid1_RowColChange();
    void List1_Click();
    void Combo1_Click();
    void DMSXpButton1_Click();
    void DMSXpButton2_Click();
    void DMSXpButton3_Click();
    void DMSXpButton4_Click();
    void DMSXpButton5_Click();
    void DMSXpButton6_Click();
    void DMSXpButton7_Click();
    void DMSXpButton8_Click();

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    bool Form_QueryUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildInboxTab(QWidget *page);
    void buildSettingsTab(QWidget *page);
    // Refreshes the inbox; throws OrvekError when it cannot be read.
    void refreshInbox();
    void showCurrentMessage();
    qint64 currentMessageId() const;
    void setLocked(bool locked);
    void resetEditor();
    void selectListRow(int row);
    void disableWindow();
    void showFailure(const QString &description);

    RecordSet m_rsMsgBox;
    RecordSetModel *m_model = nullptr;
    InboxSignature m_signature;
    bool m_refreshing = false;
    QButtonGroup *m_modeGroup = nullptr;
    QButtonGroup *m_lookupGroup = nullptr;
    QString m_list1Tag;
    QStringList m_exportColumns;
    bool m_disabled = false;
};
