// A start-up probe for `make bench`, started as a fresh process per figure.
// With the argument "program" it starts as the program does (the application
// object, then its main dialog, modal); with "twin" it shows a minimal QDialog
// built the same way instead: the same compiler, flags, Qt and platform. Once
// the window's first frame has been painted it prints the steady clock's
// reading in nanoseconds and ends at once, so the parent can take the
// interval from the moment it started the process.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ZazivadeZaz32.h"

namespace {

// Watches the whole application for the first paint of a window. The paint
// and the flush of its frame finish within the event being handled, so the
// reading is taken in a queued call, after that event.
class FirstFrame : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_ && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window()->isVisible()) {
            seen_ = true;
            QMetaObject::invokeMethod(this, &FirstFrame::Report, Qt::QueuedConnection);
        }
        return false;
    }

private:
    static void Report() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        std::_Exit(0);
    }

    bool seen_ = false;
};

int RunTwin(int argc, char** argv, FirstFrame& probe) {
    QApplication app(argc, argv);
    app.installEventFilter(&probe);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Hello"), &dialog));
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    return dialog.exec();
}

int RunProgram(int argc, char** argv, FirstFrame& probe) {
    CTavroApp app(argc, argv);
    app.installEventFilter(&probe);
    return app.InitInstance() ? CTavroApp::exec() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view which = argc > 1 ? argv[1] : "";
    FirstFrame probe;
    if (which == "twin") {
        return RunTwin(1, argv, probe);
    }
    if (which == "program") {
        return RunProgram(1, argv, probe);
    }
    std::fprintf(stderr, "usage: tavro_startup_probe program|twin\n");
    return 2;
}
