#include "shell/WorkArea.h"

#include "core/Services.h"

#include <QCoreApplication>
#include <QHash>
#include <QResizeEvent>

#include <algorithm>

namespace {
// Dynamic properties that travel with a window until it is deleted.
const char *kUnloadedProperty = "_orvek_unloaded";
const char *kKeepProperty = "_orvek_keep";
const char *kPendingProperty = "_orvek_pending_delete";

struct Registry {
    QHash<QString, QPointer<QWidget>> instances;
    QHash<QString, WorkForms::Factory> factories;
    struct Member {
        std::function<bool()> loaded;
        std::function<void()> unload;
    };
    QHash<QString, Member> members;
    void (*catalog)() = nullptr;
    bool catalogInstalled = false;
};

Registry &registry()
{
    static Registry r;
    return r;
}

void ensureCatalog()
{
    Registry &r = registry();
    if (r.catalogInstalled || !r.catalog) return;
    r.catalogInstalled = true;
    r.catalog();
}

void forget(QWidget *w)
{
    auto &inst = registry().instances;
    for (auto it = inst.begin(); it != inst.end();) {
        if (it.value().isNull() || it.value() == w)
            it = inst.erase(it);
        else
            ++it;
    }
}

void deleteWhenFree(QWidget *w)
{
    if (w->property(kKeepProperty).toInt() > 0)
        w->setProperty(kPendingProperty, true);
    else
        w->deleteLater();
}

// Goes up with every unload, so a running operation checks its windows again only after one.
quint64 s_unloadGeneration = 0;

std::vector<WorkOperation *> &runningOperations()
{
    static std::vector<WorkOperation *> ops;
    return ops;
}
} // namespace

WorkArea::WorkArea(QWidget *parent) : QWidget(parent) {}

void WorkArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

namespace WorkForms {

const QStringList &workSet()
{
    static const QStringList names = {
        QStringLiteral("frmAyarlar"),    QStringLiteral("frmBakiyeGonder"),    QStringLiteral("frmBekle"),
        QStringLiteral("frmBrw"),        QStringLiteral("frmChkMesaj"),        QStringLiteral("frmGrupMesaj"),
        QStringLiteral("frmHizliMesaj"), QStringLiteral("frmInteractiveGraf"), QStringLiteral("frmInteractiveSMS"),
        QStringLiteral("frmPop"),        QStringLiteral("frmRapor"),           QStringLiteral("frmSablon"),
        QStringLiteral("frmSablonlar"),  QStringLiteral("frmSonEkran"),        QStringLiteral("frmYetkiliMesaj"),
    };
    return names;
}

bool inWorkSet(const QString &name) { return workSet().contains(name); }

void registerFactory(const QString &name, Factory factory)
{
    ensureCatalog();
    if (factory)
        registry().factories.insert(name, std::move(factory));
    else
        registry().factories.remove(name);
}

void setCatalog(void (*registerCatalog)()) { registry().catalog = registerCatalog; }

bool hasFactory(const QString &name)
{
    ensureCatalog();
    return registry().factories.contains(name);
}

void registerMember(const QString &name, std::function<bool()> loaded, std::function<void()> unload)
{
    ensureCatalog();
    if (loaded && unload)
        registry().members.insert(name, Registry::Member{std::move(loaded), std::move(unload)});
    else
        registry().members.remove(name);
}

QWidget *find(const QString &name)
{
    QWidget *w = registry().instances.value(name);
    return w && !isUnloaded(w) ? w : nullptr;
}

bool isLoaded(const QString &name)
{
    if (find(name)) return true;
    ensureCatalog();
    const auto member = registry().members.constFind(name);
    return member != registry().members.constEnd() && member->loaded();
}

QWidget *get(const QString &name)
{
    if (QWidget *w = find(name)) return w;
    ensureCatalog();
    const Factory factory = registry().factories.value(name);
    if (!factory) return nullptr;
    QWidget *w = factory();
    if (w) adopt(w, name);
    return w;
}

void adopt(QWidget *w, const QString &name)
{
    if (!w) return;
    const QString key = name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name;
    registry().instances.insert(key, w);
}

QStringList loadedWorkForms()
{
    QStringList out;
    for (const QString &name : workSet())
        if (isLoaded(name)) out << name;
    return out;
}

bool isUnloaded(const QObject *w) { return w && w->property(kUnloadedProperty).toBool(); }

bool unload(QWidget *w)
{
    if (!w || isUnloaded(w)) return true;
    QPointer<QWidget> guard(w);
    KeepAlive keep(w); // the close handler may yield; the window outlives this call
    w->setProperty(kUnloadedProperty, true);
    ++s_unloadGeneration;
    if (!w->close()) {
        if (guard) w->setProperty(kUnloadedProperty, QVariant());
        return false;
    }
    if (!guard) return true;
    w->hide();
    if (!w->isWindow() && w->parentWidget()) w->setParent(nullptr);
    forget(w);
    w->setProperty(kPendingProperty, true); // deleted when the KeepAlive above ends
    return true;
}

bool unload(const QString &name)
{
    bool done = true;
    if (QWidget *w = find(name)) done = unload(w);
    ensureCatalog();
    const auto member = registry().members.constFind(name);
    if (member != registry().members.constEnd() && member->loaded()) {
        const auto unloadMember = member->unload; // the procedure may register windows
        unloadMember();
    }
    return done;
}

KeepAlive::KeepAlive(QWidget *w) : m_window(w)
{
    if (w) w->setProperty(kKeepProperty, w->property(kKeepProperty).toInt() + 1);
}

KeepAlive::~KeepAlive()
{
    if (!m_window) return;
    const int left = m_window->property(kKeepProperty).toInt() - 1;
    m_window->setProperty(kKeepProperty, left > 0 ? QVariant(left) : QVariant());
    if (left <= 0 && m_window->property(kPendingProperty).toBool()) {
        m_window->setProperty(kPendingProperty, QVariant());
        deleteWhenFree(m_window);
    }
}

} // namespace WorkForms

void UnloadWorkForms()
{
    WorkOperation::cancelAll();
    for (const QString &name : WorkForms::workSet()) WorkForms::unload(name);
}

WorkOperation::WorkOperation(QWidget *window)
{
    runningOperations().push_back(this);
    watch(window);
}

WorkOperation::~WorkOperation()
{
    auto &ops = runningOperations();
    ops.erase(std::remove(ops.begin(), ops.end(), this), ops.end());
    for (auto it = m_watched.rbegin(); it != m_watched.rend(); ++it) delete it->keep;
}

WorkOperation &WorkOperation::watch(QWidget *window)
{
    m_checkedGeneration = ~quint64(0);
    if (window) m_watched.push_back(Watched{QPointer<QWidget>(window), new WorkForms::KeepAlive(window)});
    return *this;
}

bool WorkOperation::yield()
{
    if (mustStop()) return true;
    QCoreApplication::processEvents();
    return mustStop();
}

bool WorkOperation::yieldOnSlice()
{
    if (mustStop()) return true;
    return m_slice.runEventsIfDue() && mustStop();
}

bool WorkOperation::mustStop() const
{
    if (m_cancelled || Lifecycle::ended()) return true;
    for (const Watched &w : m_watched)
        if (!w.window) return true;
    // Asking every window is not cheap; it is needed only after an unload.
    if (m_checkedGeneration == s_unloadGeneration) return false;
    for (const Watched &w : m_watched)
        if (WorkForms::isUnloaded(w.window)) return true;
    m_checkedGeneration = s_unloadGeneration;
    return false;
}

void WorkOperation::cancelAll()
{
    for (WorkOperation *op : runningOperations()) op->cancel();
}

int WorkOperation::runningCount() { return int(runningOperations().size()); }
