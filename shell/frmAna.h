#pragma once

// The navigation panel at the left of the main window: the logo and the navigation tree,
// and the show procedures that open the work windows. Every show procedure unloads the work
// set first (which also ends a running long operation), hands the new window the main
// window, shows it and, for the tabbed windows, selects the tab.
//
// The work windows' own buttons reach the navigation through the free functions at the end
// of this header.

#include <QString>
#include <QWidget>

class DockedWindow;
class QFrame;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class frmMDI;

class frmAna : public QWidget {
    Q_OBJECT
public:
    // Tree item data: the node key and its image index.
    static constexpr int kKeyRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;
    // The nodes that stay usable while the ERP server is not configured (substring test).
    static constexpr const char *kGuardList =
        "Ayarlar,HesapAyar,Kovaset,Interaktif,Servisler,OnLineServisler,KontorYukle";
    static const QString &ErpGuardMessage();

    explicit frmAna(frmMDI *mainWindow);

private:
    QFrame *frOrvekLogo = nullptr;
    QLabel *Image1 = nullptr;
    QTreeWidget *TreeView1 = nullptr;

public:
    void Form_Load();
    void TreeView1_NodeClick(QTreeWidgetItem *node);
    QTreeWidgetItem *node(const QString &key) const;
    // The tree's height from the panel's (the main window's resize sets the panel's first).
    void fitTreeToPanel();

    void OnLineServislerGoster();
    void KontorYukleGoster();
    void RaporlarGoster(short Sekme);
    // The browser window on a page of the program's own (the operator's guide), like the
    // other show procedures: the work set goes first.
    void ShowOwnPage(const QString &address);

    // Gives every node whose caption does not fit beside its indentation in the tree's
    // visible width its caption as tooltip, and takes it from the others. Runs after the
    // build and whenever the tree's visible area changes size.
    void UpdateNodeTips();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildNavigationTree();
    QTreeWidgetItem *addNode(const QString &parentKey, const QString &key, const QString &caption, int image);
    void openByKey(const QString &key);
    // Steps 1 to 3 of every show procedure; nullptr when the window does not exist.
    DockedWindow *ShowWorkForm(const QString &name);
    void ShowTabbed(const QString &name, short Sekme);
    void NavigateBrowser(DockedWindow *browserWindow);

    void AyarlarGoster(short Sekme);
    void InteraktifGoster(short Sekme);
    void BakiyeGonderGoster();
    void GrupMesajGoster();
    void YetkiliMesajGoster();
    void ChkMesajGoster();
    void HizliMesajGoster();
    void SablonlarGoster();

    frmMDI *m_mdi;
};

// The navigation's public show procedures, for the work windows' buttons; they do nothing
// while no main window exists.
void OnLineServislerGoster();
void KontorYukleGoster();
void RaporlarGoster(short Sekme);
