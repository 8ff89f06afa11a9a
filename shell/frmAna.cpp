#include "shell/frmAna.h"

#include "core/AppState.h"
#include "core/PageAddresses.h"
#include "core/Services.h"
#include "shell/BrowserView.h"
#include "shell/DockedWindow.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"
#include "shell/frmBrw.h"
#include "shell/frmMDI.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>

namespace {
// The tree never indents its children less than an image and its gap.
constexpr int kMinimumIndentation = 19;
} // namespace

const QString &frmAna::ErpGuardMessage()
{
    static const QString text =
        QStringLiteral("Programı kullanmaya başlamadan önce Orvek® veritabanına ait sunucu bilgilerini Ayarlar -> "
                       "Hesap ayarları menüsündeki Sunucu bilgileri bölümüne giriniz.");
    return text;
}

frmAna::frmAna(frmMDI *mainWindow) : QWidget(mainWindow->workArea()), m_mdi(mainWindow)
{
    setObjectName(QStringLiteral("frmAna"));
    frOrvekLogo = new QFrame(this);
    frOrvekLogo->setObjectName(QStringLiteral("frOrvekLogo"));
    SetGeometryTw(frOrvekLogo, TwRect{0, -90, 2775, 1215});
    Image1 = new QLabel(frOrvekLogo);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(frOrvekLogo->rect());
    Image1->setPixmap(LogoPicture(frOrvekLogo->size()));

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    // Only the node click expands and collapses, so the guard can stop it.
    TreeView1->setItemsExpandable(false);
    TreeView1->setExpandsOnDoubleClick(false);
    TreeView1->setIconSize(QSize(16, 16));
    SetGeometryTw(TreeView1, TwRect{0, 1155, 2775, 7000});
    connect(TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item, int) { TreeView1_NodeClick(item); });
    TreeView1->viewport()->installEventFilter(this);
    WorkForms::adopt(this);
}

bool frmAna::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TreeView1->viewport() && event->type() == QEvent::Resize) UpdateNodeTips();
    return QWidget::eventFilter(watched, event);
}

void frmAna::UpdateNodeTips()
{
    QStyleOptionViewItem option;
    option.initFrom(TreeView1->viewport());
    option.font = TreeView1->font();
    option.decorationSize = TreeView1->iconSize();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    const int visibleWidth = TreeView1->viewport()->width();
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        QTreeWidgetItem *item = *it;
        int depth = TreeView1->rootIsDecorated() ? 1 : 0;
        for (QTreeWidgetItem *p = item->parent(); p; p = p->parent()) ++depth;
        const QModelIndex index = TreeView1->indexFromItem(item);
        const int needed =
            depth * TreeView1->indentation() + TreeView1->itemDelegateForIndex(index)->sizeHint(option, index).width();
        item->setToolTip(0, needed > visibleWidth ? item->text(0) : QString());
    }
}

void frmAna::Form_Load()
{
    BuildNavigationTree();
    SetWidthTw(this, kNavigationPanelWidth);
}

QTreeWidgetItem *frmAna::addNode(const QString &parentKey, const QString &key, const QString &caption, int image)
{
    QTreeWidgetItem *item = nullptr;
    if (parentKey.isEmpty()) {
        item = new QTreeWidgetItem(TreeView1);
    } else {
        QTreeWidgetItem *parent = node(parentKey);
        if (!parent) return nullptr;
        item = new QTreeWidgetItem(parent);
    }
    item->setText(0, caption);
    item->setData(0, kKeyRole, key);
    item->setData(0, kImageRole, image);
    item->setIcon(0, QIcon(NavigationImage(image)));
    return item;
}

void frmAna::fitTreeToPanel() { SetHeightTw(TreeView1, NavigationTreeHeight(HeightTw(this))); }

QTreeWidgetItem *frmAna::node(const QString &key) const
{
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key) return *it;
    return nullptr;
}

void frmAna::BuildNavigationTree()
{
    TreeView1->setIndentation(qMax(tw(10), kMinimumIndentation));

    struct Node {
        const char *parent;
        const char *key;
        const char *caption;
        int image;
    };
    static const Node nodes[] = {
        {"", "MesajIslem", "Mesaj İşlemleri", 1},
        {"MesajIslem", "HizliMesaj", "Hızlı mesaj gönder", 9},
        {"MesajIslem", "BakiyeGonder", "Bakiye hatırlat", 9},
        {"MesajIslem", "YetkiliMesaj", "Yetkililere mesaj gönder", 9},
        {"MesajIslem", "ChkMesaj", "Müşterilere mesaj gönder", 9},
        {"MesajIslem", "GrupMesaj", "Gruplara mesaj gönder", 9},
        {"MesajIslem", "Sablonlar", "Şablonlar", 9},
        {"", "InteraktifIslem", "İnteraktif SMS İşlemleri", 3},
        {"InteraktifIslem", "GelenMesaj", "Gelen mesajlar", 12},
        {"InteraktifIslem", "GeriDonus", "Geri dönüş ayarları", 9},
        {"", "Ayarlar", "Ayarlar", 7},
        {"Ayarlar", "HesapAyar", "Hesap ayarları", 4},
        {"Ayarlar", "Kovaset", "Otomatik mesajlar", 11},
        {"Ayarlar", "Interaktif", "İnteraktif SMS", 3},
        {"", "Raporlar", "Raporlar", 6},
        {"Raporlar", "RapMesaj", "Gönderim bazında rapor", 9},
        {"Raporlar", "RapTarih", "Tarih bazında rapor", 8},
        {"Raporlar", "RapNumara", "Numara bazında rapor", 1},
        {"", "Servisler", "Servisler", 10},
        {"Servisler", "OnLineServisler", "On-Line Servisler", 10},
    };
    for (const Node &n : nodes)
        addNode(QString::fromUtf8(n.parent), QString::fromUtf8(n.key), QString::fromUtf8(n.caption), n.image);

    // The first work window: the browser on the signed-in web client, for either kind.
    auto *brw = WorkForms::get<frmBrw>();
    brw->frmMDIForm = m_mdi;
    brw->Show();
    gBrowserUrl = WebClientAddress(gCkey, gUserName);
    brw->navigate(gBrowserUrl);

    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        const QString key = (*it)->data(0, kKeyRole).toString();
        if (key == QLatin1String("Servisler")) (*it)->setExpanded(true);
        if (key == QLatin1String("OnLineServisler")) TreeView1->setCurrentItem(*it);
    }

    if (gGatewayKind == GatewayKind::Brenvik)
        addNode(QStringLiteral("Servisler"), QStringLiteral("KontorYukle"), QStringLiteral("Kontör Yükleme"), 13);
    UpdateNodeTips();
}

void frmAna::TreeView1_NodeClick(QTreeWidgetItem *item)
{
    if (!item) return;
    const QString key = item->data(0, kKeyRole).toString();
    if (!QString::fromLatin1(kGuardList).contains(key, Qt::CaseSensitive) && !gErpConfigured) {
        Prompt::show(ErpGuardMessage(), PromptIcon::Critical, QStringLiteral("Uyarı"));
        return;
    }
    if (item->childCount() > 0) {
        item->setExpanded(!item->isExpanded());
        return;
    }
    openByKey(key);
}

void frmAna::openByKey(const QString &key)
{
    if (key == QLatin1String("HizliMesaj"))
        HizliMesajGoster();
    else if (key == QLatin1String("BakiyeGonder"))
        BakiyeGonderGoster();
    else if (key == QLatin1String("YetkiliMesaj"))
        YetkiliMesajGoster();
    else if (key == QLatin1String("ChkMesaj"))
        ChkMesajGoster();
    else if (key == QLatin1String("GrupMesaj"))
        GrupMesajGoster();
    else if (key == QLatin1String("Sablonlar"))
        SablonlarGoster();
    else if (key == QLatin1String("GelenMesaj"))
        InteraktifGoster(0);
    else if (key == QLatin1String("GeriDonus"))
        InteraktifGoster(1);
    else if (key == QLatin1String("HesapAyar"))
        AyarlarGoster(0);
    else if (key == QLatin1String("Kovaset"))
        AyarlarGoster(1);
    else if (key == QLatin1String("Interaktif"))
        AyarlarGoster(2);
    else if (key == QLatin1String("RapMesaj"))
        RaporlarGoster(0);
    else if (key == QLatin1String("RapTarih"))
        RaporlarGoster(1);
    else if (key == QLatin1String("RapNumara"))
        RaporlarGoster(2);
    else if (key == QLatin1String("OnLineServisler"))
        OnLineServislerGoster();
    else if (key == QLatin1String("KontorYukle"))
        KontorYukleGoster();
}

DockedWindow *frmAna::ShowWorkForm(const QString &name)
{
    UnloadWorkForms();
    auto *w = qobject_cast<DockedWindow *>(WorkForms::get(name));
    if (!w) return nullptr;
    w->frmMDIForm = m_mdi;
    w->Show();
    return w;
}

void frmAna::ShowTabbed(const QString &name, short Sekme)
{
    QPointer<DockedWindow> w = ShowWorkForm(name);
    if (!w || WorkForms::isUnloaded(w)) return;
    if (auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("SSTab1")))
        if (Sekme >= 0 && Sekme < tabs->count()) tabs->setCurrentIndex(Sekme);
}

void frmAna::NavigateBrowser(DockedWindow *browserWindow)
{
    auto *brw = qobject_cast<frmBrw *>(browserWindow);
    if (brw && !WorkForms::isUnloaded(brw)) brw->navigate(gBrowserUrl);
}

void frmAna::OnLineServislerGoster()
{
    DockedWindow *w = ShowWorkForm(QStringLiteral("frmBrw"));
    gBrowserUrl = WebClientAddressFor(gGatewayKind, gCkey, gUserName);
    NavigateBrowser(w);
}

void frmAna::KontorYukleGoster()
{
    UnloadWorkForms();
    gBrowserUrl = CreditTopUpAddress(gCkey, gUserName, gPassword);
    auto *brw = WorkForms::get<frmBrw>();
    brw->frmMDIForm = m_mdi;
    brw->Show();
    NavigateBrowser(brw);
}

void frmAna::ShowOwnPage(const QString &address)
{
    DockedWindow *w = ShowWorkForm(QStringLiteral("frmBrw"));
    gBrowserUrl = address;
    NavigateBrowser(w);
}

void frmAna::RaporlarGoster(short Sekme) { ShowTabbed(QStringLiteral("frmRapor"), Sekme); }
void frmAna::AyarlarGoster(short Sekme) { ShowTabbed(QStringLiteral("frmAyarlar"), Sekme); }
void frmAna::InteraktifGoster(short Sekme) { ShowTabbed(QStringLiteral("frmInteractiveSMS"), Sekme); }
void frmAna::BakiyeGonderGoster() { ShowWorkForm(QStringLiteral("frmBakiyeGonder")); }
void frmAna::GrupMesajGoster() { ShowWorkForm(QStringLiteral("frmGrupMesaj")); }
void frmAna::YetkiliMesajGoster() { ShowWorkForm(QStringLiteral("frmYetkiliMesaj")); }
void frmAna::ChkMesajGoster() { ShowWorkForm(QStringLiteral("frmChkMesaj")); }
void frmAna::HizliMesajGoster() { ShowWorkForm(QStringLiteral("frmHizliMesaj")); }
void frmAna::SablonlarGoster() { ShowWorkForm(QStringLiteral("frmSablonlar")); }

void OnLineServislerGoster()
{
    if (frmAna *ana = WorkForms::find<frmAna>()) ana->OnLineServislerGoster();
}

void KontorYukleGoster()
{
    if (frmAna *ana = WorkForms::find<frmAna>()) ana->KontorYukleGoster();
}

void RaporlarGoster(short Sekme)
{
    if (frmAna *ana = WorkForms::find<frmAna>()) ana->RaporlarGoster(Sekme);
}
