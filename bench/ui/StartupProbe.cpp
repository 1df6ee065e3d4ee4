// The program's start as vantrex-config runs it (application object, main window, initialisation,
// modal run), offscreen, ending at the first paint event of the window. Prints one line for the start
// benchmark: "main NS paint NS", steady-clock nanoseconds at the entry of main and at that paint.
#include "BenchWindow.h"
#include "OffscreenEnvironment.h"

#include "runtime/Networking.h"
#include "ui/qt/ConfigApp.h"
#include "ui/qt/ConfigDlg.h"

#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

long long SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Notes the time of the window's first paint event and then closes the window with its own close
// routine.
class CFirstPaintWatch : public QObject {
public:
    explicit CFirstPaintWatch(CConfigDlg& dialog) : m_dialog(dialog) {}

    // Steady-clock nanoseconds at the first paint event; 0 before it.
    long long PaintNs() const { return m_paintNs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_dialog && event->type() == QEvent::Paint && m_paintNs == 0) {
            m_paintNs = SteadyNs();
            QTimer::singleShot(0, &m_dialog, [this] { m_dialog.Logic().OnClose(); });
        }
        return false;
    }

private:
    CConfigDlg& m_dialog;
    long long m_paintNs = 0;
};

} // namespace

int main(int argc, char** argv) {
    const long long mainNs = SteadyNs();
    COffscreenEnvironment offscreen;
    CConfigApp application(argc, argv);
    if (!StartNetworking()) {
        return 1;
    }
    CSilentBoxes boxes;
    CConfigDlg dialog(boxes);
    CFirstPaintWatch watch(dialog);
    dialog.installEventFilter(&watch);
    dialog.OnInitDialog();
    dialog.exec();
    if (watch.PaintNs() == 0) {
        return 1;
    }
    std::printf("main %lld paint %lld\n", mainNs, watch.PaintNs());
    return 0;
}
