#include "shell/frmPop.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

QPointer<frmPop> frmPop::s_instance;

frmPop *frmPop::instance()
{
    if (!s_instance) s_instance = new frmPop;
    return s_instance;
}

bool frmPop::isLoaded() { return !s_instance.isNull(); }

void frmPop::unload()
{
    frmPop *w = s_instance;
    s_instance = nullptr;
    if (!w) return;
    w->Form_Unload();
    w->hide();
    w->deleteLater();
}

QString frmPop::placeholder(const QString &column) { return QStringLiteral("[##") + column + QStringLiteral("##]"); }

frmPop::frmPop() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("frmPop"));
    setWindowTitle(QStringLiteral("popup"));
    setAttribute(Qt::WA_QuitOnClose, false);
    mnuGizli = new QMenu(this);
    mnuGizli->setObjectName(QStringLiteral("mnuGizli"));
    loadItem(0);
}

void frmPop::loadItem(int index)
{
    if (index < m_items.size()) return; // already loaded
    while (m_items.size() <= index) {
        const int i = int(m_items.size());
        QAction *item = mnuGizli->addAction(QString());
        item->setObjectName(QStringLiteral("AltmnuAry_%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { AltmnuAry_Click(i); });
        m_items.append(item);
    }
}

void frmPop::unloadItem(int index)
{
    if (index <= 0 || index >= m_items.size()) return;
    QAction *item = m_items.takeAt(index);
    mnuGizli->removeAction(item);
    item->deleteLater();
}

void frmPop::setColumns(const QStringList &columns)
{
    for (int i = int(m_items.size()) - 1; i >= 1; --i) unloadItem(i);
    for (int j = 0; j < columns.size(); ++j) {
        loadItem(j);
        m_items[j]->setText(columns[j]);
    }
}

void frmPop::popup(QWidget *form, QWidget *textBox, const QPoint &globalPos)
{
    TargetForm = form;
    TargetTextBox = textBox;
    mnuGizli->popup(globalPos);
}

void frmPop::AltmnuAry_Click(int index)
{
    if (index < 0 || index >= m_items.size()) return;
    QWidget *box = TargetTextBox;
    if (!box) return;
    const QString caption = m_items[index]->text();

    auto *line = qobject_cast<QLineEdit *>(box);
    auto *plain = qobject_cast<QPlainTextEdit *>(box);
    auto *rich = qobject_cast<QTextEdit *>(box);
    QString text;
    int caret = 0;
    if (line) {
        text = line->text();
        caret = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    } else if (plain) {
        text = plain->toPlainText();
        caret = plain->textCursor().selectionStart();
    } else if (rich) {
        text = rich->toPlainText();
        caret = rich->textCursor().selectionStart();
    } else {
        return;
    }
    if (caption.isEmpty()) return;

    const QString changed = text.left(caret) + placeholder(caption) + text.mid(caret);
    if (line) {
        line->setText(changed);
        line->setCursorPosition(int(line->text().size()));
    } else if (plain) {
        plain->setPlainText(changed);
        plain->moveCursor(QTextCursor::End);
    } else {
        rich->setPlainText(changed);
        rich->moveCursor(QTextCursor::End);
    }
    box->setFocus(Qt::OtherFocusReason);
}

void frmPop::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window is never on screen.
    QTimer::singleShot(0, this, &QWidget::hide);
}

void frmPop::Form_Unload()
{
    TargetForm = nullptr;
    TargetTextBox = nullptr;
    for (int i = int(m_items.size()) - 1; i >= 1; --i) unloadItem(i);
}
