#pragma once

// The template window: the stored templates of one message kind in a grid, and an editor
// that creates, changes and deletes them one at a time. The captions of Command5 ("Yeni" /
// "Kaydet") and Command4 ("Değiştir" / "Kaydet") are the editor's state: Browse (editor
// disabled), New (after "Yeni") or Change (after "Değiştir"). For the kinds merged from the
// ERP database, "Alan ekle" offers the result columns of the kind's ERP query as placeholders
// through frmPop.
//
// A failure while listing the templates or reading the kind's ERP query shows its stage text
// in a critical box and leaves every control disabled until the window is unloaded; a failed
// save or delete shows what failed and leaves the window, the editor and the table as they were.

#include "core/RecordSet.h"
#include "shell/DockedWindow.h"

#include <QStringList>

#include <functional>

class DataGrid;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class RecordSetModel;

class frmSablonlar : public DockedWindow {
    Q_OBJECT
public:
    frmSablonlar();

private:
    // Header band
    QFrame *Frame3 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label8 = nullptr;
    // Kind
    QGroupBox *Frame4 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *Combo1 = nullptr;
    // Templates of the kind: hidden column id, shown column Mesaj
    DataGrid *DataGrid1 = nullptr;
    // Editor
    QGroupBox *Frame1 = nullptr;
    QPlainTextEdit *txtMesaj = nullptr;
    QPushButton *Command1 = nullptr; // "Alan ekle"
    QLabel *Label7 = nullptr;        // characters left of 160
    QLabel *Label1 = nullptr;        // "/ 160"
    // Buttons
    QGroupBox *Frame2 = nullptr;
    QPushButton *Command5 = nullptr; // "Yeni" / "Kaydet"
    QPushButton *Command4 = nullptr; // "Değiştir" / "Kaydet"
    QPushButton *Command3 = nullptr; // "Sil"
    QPushButton *Command2 = nullptr; // "Vazgeç"

public:
    const RecordSet &rsMesajlar() const { return m_rsMesajlar; }
    // The result columns of the kind's ERP query last read (empty for "HizliMesaj").
    const QStringList &rsSorguTipColumns() const { return m_queryColumns; }

    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void DataGrid1_RowColChange();
    void txtMesaj_Change();

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    bool Form_QueryUnload() override;

private:
    void LoadTemplates(const QString &kind);
    void SizeTemplateGrid();
    void SetBrowse();
    void SetEditing(bool enabled);
    void DisableAllControls();
    // The id of the grid's current row; -1 when the list is empty.
    qint64 CurrentId() const;
    QString CurrentText() const;
    bool ListEmpty() const { return m_rsMesajlar.rowCount() == 0; }
    // Shows a failed save or delete; the window stays as it was.
    void ShowStatementFailure(const QString &stage, const QString &description);
    // Asks `question` (Yes/No); on Yes runs `statement`. A failure is shown under
    // `failureStage`; otherwise `doneText` (when not empty) is shown and the list reloaded.
    void ApplyConfirmed(const QString &question, const std::function<void()> &statement, const QString &failureStage,
                        const QString &doneText);

    RecordSet m_rsMesajlar;
    RecordSetModel *m_model = nullptr;
    QStringList m_queryColumns;
};
