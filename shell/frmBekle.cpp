#include "shell/frmBekle.h"

#include "core/AppState.h"
#include "shell/ProgressFigures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int tw(int twips) { return twips / 15; }
} // namespace

QPointer<frmBekle> frmBekle::s_instance;

void SetTopmostRight(QWidget &window)
{
    if (!(window.windowFlags() & Qt::WindowStaysOnTopHint)) {
        const bool shown = window.isVisible();
        window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (shown) window.show(); // changing the flags hides a shown window
    }
    QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.x() + area.width() - window.frameGeometry().width(), window.pos().y());
}

frmBekle *frmBekle::instance()
{
    if (!s_instance) s_instance = new frmBekle;
    return s_instance;
}

bool frmBekle::isLoaded() { return !s_instance.isNull(); }

void frmBekle::unload()
{
    frmBekle *w = s_instance;
    s_instance = nullptr;
    if (!w) return;
    w->Timer1->stop();
    w->hide();
    w->deleteLater();
}

frmBekle::frmBekle() : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmBekle"));
    // Never keeps the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(tw(5160), tw(1095));

    Label1 = new QLabel(QStringLiteral("İşleminiz Yapılıyor. Lütfen Bekleyiniz ..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(tw(120), tw(120));
    Label1->adjustSize();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(tw(120), tw(360), tw(4935), tw(495));

    Label2 = new QLabel(QStringLiteral("İşlem Hızı : "), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(tw(120), tw(840), tw(855), tw(255));
    Label2->hide();

    lblIslemHiz = new QLabel(this);
    lblIslemHiz->setObjectName(QStringLiteral("lblIslemHiz"));
    lblIslemHiz->setGeometry(tw(960), tw(840), tw(4095), tw(255));
    lblIslemHiz->hide();
    // The caption is wider in the program font than its designed room: it takes what it
    // needs, and the value starts after it with its right edge kept.
    const int captionRight = Label2->x() + std::max(Label2->width(), Label2->sizeHint().width());
    Label2->resize(captionRight - Label2->x(), Label2->height());
    if (lblIslemHiz->x() < captionRight) {
        const int valueRight = lblIslemHiz->x() + lblIslemHiz->width();
        lblIslemHiz->setGeometry(captionRight, lblIslemHiz->y(), valueRight - captionRight, lblIslemHiz->height());
    }
    m_speedWidth = lblIslemHiz->width();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmBekle::Timer1_Timer);

    // Opens vertically centred; the load then moves it to the right edge.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    Form_Load();
}

void frmBekle::showSpeed(bool shown)
{
    Label2->setVisible(shown);
    lblIslemHiz->setVisible(shown);
}

void frmBekle::runTimer(bool running)
{
    if (!running)
        Timer1->stop();
    else if (!Timer1->isActive())
        Timer1->start();
}

void frmBekle::setStatusText(const QString &text)
{
    Label1->setText(text);
    Label1->adjustSize();
    const int needed = Label1->x() + Label1->width() + tw(120);
    const int wanted = std::max(tw(5160), needed);
    if (wanted == width()) return;
    setFixedWidth(wanted);
    const int extra = wanted - tw(5160);
    ProgressBar1->resize(tw(4935) + extra, ProgressBar1->height());
    lblIslemHiz->resize(m_speedWidth + extra, lblIslemHiz->height());
    SetTopmostRight(*this);
}

void frmBekle::Form_Load()
{
    SetTopmostRight(*this);
    m_ticks = 0;
}

void frmBekle::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The frame is known only now: put the outer right edge on the screen's edge.
    if (!m_placedShown) {
        m_placedShown = true;
        SetTopmostRight(*this);
    }
}

void frmBekle::Timer1_Timer()
{
    ++m_ticks;
    const ProgressFigures f = ComputeProgressFigures(gProgressDone, gProgressTotal, m_ticks, ProgressBar1->value());
    ProgressBar1->setValue(f.barValue);
    setWindowTitle(f.caption);
    if (f.speedKnown) lblIslemHiz->setText(f.speed);
    // The tick already runs inside the operation's own yield to the event loop, which paints
    // the new figures; no nested event processing here.
}
