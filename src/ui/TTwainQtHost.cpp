#include "TTwainQtHost.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QWidget>

#include "TMessages.h"

TTwainQtHost::~TTwainQtHost() {
    if (TWAIN_Host() == this) TWAIN_SetHost(nullptr);
}

bool TTwainQtHost::IsWindow(TWAIN_HWND window) {
    if (!window) return false;
    // A handle is only trusted when it is one of the application's live widgets.
    const QWidgetList all = QApplication::allWidgets();
    for (QWidget* w : all)
        if (static_cast<void*>(w) == window) return true;
    return false;
}

TWAIN_HWND TTwainQtHost::CreateProxyWindow() {
    // The proxy only owns the source manager's connection; it is not shown, since on this
    // desktop an empty window would just sit behind the source's own dialog.
    auto* w = new QWidget(nullptr, Qt::Window | Qt::WindowSystemMenuHint);
    w->setWindowTitle("Acquire Proxy");
    w->setAttribute(Qt::WA_DontShowOnScreen, true);
    return w;
}

void TTwainQtHost::DestroyWindow(TWAIN_HWND window) {
    if (IsWindow(window)) delete static_cast<QWidget*>(window);
}

void TTwainQtHost::EnableWindow(TWAIN_HWND window, bool enable) {
    if (IsWindow(window)) static_cast<QWidget*>(window)->setEnabled(enable);
}

void TTwainQtHost::WarningBox(const std::string& caption, const std::string& text) {
    messages_.Show(caption, text, TMsgIcon::Warning, TMsgButtons::Ok);
}

bool TTwainQtHost::ProcessEvents() {
    if (QCoreApplication::closingDown()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return !QCoreApplication::closingDown();
}

void TTwainQtHost::Wake() {
    if (auto* app = QCoreApplication::instance())
        if (auto* d = QAbstractEventDispatcher::instance(app->thread())) d->wakeUp();
}
