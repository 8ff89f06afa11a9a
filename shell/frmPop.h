#pragma once

// The field placeholder menu shared by every window that offers placeholders: a hidden window
// that owns the popup menu mnuGizli. A caller fills the menu with its query's column names,
// names itself and its message text box as the targets and pops the menu up; a click on a
// name inserts "[##" + name + "##]" into the text box at the caret.

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QAction;
class QMenu;

class frmPop : public QWidget {
    Q_OBJECT
public:
    // The program-wide window, loaded by the first reference; never shown.
    static frmPop *instance();
    static bool isLoaded();
    // Drops the loaded items and both targets and deletes the window later; the next
    // reference starts from item 0 alone.
    static void unload();

    // The placeholder of a column name: "[##" + name + "##]", the name unchanged.
    static QString placeholder(const QString &column);

private:
    QMenu *mnuGizli = nullptr;

public:
    // Item 0 exists from the start with an empty caption and is never removed.
    const QList<QAction *> &AltmnuAry() const { return m_items; }

    // The window that pops the menu up (kept, read by nothing here) and the text box
    // (QLineEdit, QPlainTextEdit or QTextEdit) that receives the placeholder.
    QPointer<QWidget> TargetForm;
    QPointer<QWidget> TargetTextBox;

    // The caller's filling: unloads items 1 and up, then item j takes the j-th name (item 0
    // the first). With no names, item 0 keeps its caption.
    void setColumns(const QStringList &columns);
    // The caller's pop-up: sets both targets and shows mnuGizli at the given screen position.
    void popup(QWidget *form, QWidget *textBox, const QPoint &globalPos);

    // Inserts the item's placeholder into TargetTextBox at the caret (the start of a selection,
    // which stays), puts the caret at the end of the text and focuses the box. An item with an
    // empty caption, or no target, changes nothing.
    void AltmnuAry_Click(int index);

protected:
    void showEvent(QShowEvent *event) override;

private:
    frmPop();
    void loadItem(int index);
    void unloadItem(int index);
    void Form_Unload();

    QList<QAction *> m_items;
    static QPointer<frmPop> s_instance;
};
