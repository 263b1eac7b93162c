#include "app/CQAV_VUvuvuApp.h"

#include "app/CQAV_VUvuvuDlg.h"
#include "app/app_log.h"
#include "app/app_options.h"
#include "app/mouse_setup.h"
#include "app/qt_translations.h"
#include "common/instance_lock.h"
#include "common/paths.h"
#include "settings/config_store.h"
#include "ui/popups/function_menus.h"
#include "ui/skin/language.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace torvex::app {
namespace fs = std::filesystem;

namespace {
constexpr const char* kRestoreRequest = "restore\n";

// SIGTERM (the session ending) and SIGINT end the program through its exit path, so the mouse
// and the pointer speed are left as after "Exit Driver". The handler only writes a byte; the
// event loop does the rest. The signal mask stays as it was, so programs started for the
// buttons get the usual signals.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

bool catchTerminationSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}
} // namespace

QString instanceSocketPath(const std::string& lockKey) {
    return QString::fromStdString((runtimeDir() / ("torvex-window-" + lockKey + ".sock")).string());
}

bool askRunningInstanceToRestore(const std::string& lockKey) {
    // The first instance may still be starting; give it a moment to listen.
    for (int attempt = 0; attempt < 30; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(instanceSocketPath(lockKey));
        if (socket.waitForConnected(250)) {
            socket.write(kRestoreRequest);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int CQAV_VUvuvuApp::InitInstance(int argc, char** argv) {
    // Our own options first, so that --help, --version and mistakes need no display. Qt's
    // options (one dash) are left for QApplication.
    static const std::vector<std::string> qtOptionsWithValue{"-platform",
                                                             "-platformpluginpath",
                                                             "-platformtheme",
                                                             "-plugin",
                                                             "-qwindowgeometry",
                                                             "-qwindowicon",
                                                             "-qwindowtitle",
                                                             "-display",
                                                             "-geometry",
                                                             "-style",
                                                             "-stylesheet",
                                                             "-session",
                                                             "-name",
                                                             "-title",
                                                             "-visual"};
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() > 1 && a[0] == '-' && a[1] != '-') {
            if (std::find(qtOptionsWithValue.begin(), qtOptionsWithValue.end(), a) !=
                    qtOptionsWithValue.end() &&
                i + 1 < argc) {
                ++i;
            }
            if (a != "-h") {
                continue;
            }
        }
        args.push_back(a);
    }
    const AppParse parsed = parseAppOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "torvex: %s\n%s", parsed.error.c_str(), appUsage().c_str());
        return 2;
    }
    const AppOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(appUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("torvex %s\n", TORVEX_VERSION);
        return 0;
    }

    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("torvex"));
    QApplication::setApplicationVersion(QStringLiteral(TORVEX_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setDesktopFileName(QStringLiteral("org.torvex.Torvex"));
    enableLog(options.verbose);

    const AppPaths paths = resolvePaths(currentPathOptions(options.home));
    std::string error;
    if (!seedUserFolder(paths, &error)) {
        std::fprintf(stderr, "torvex: %s\n", error.c_str());
        return 1;
    }
    qCInfo(lcTorvex) << "settings in" << paths.appDir.c_str() << "- skin in"
                     << paths.skinDir.c_str();
    // A config.ini that cannot be read would look like an empty one and be overwritten by the
    // first download: say so and leave it for the user to look at.
    if (const auto problem = unusableFileReason(paths.configPath())) {
        std::fprintf(stderr, "torvex: %s\n", problem->c_str());
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromStdString(*problem));
        return 1;
    }

    // The real mouse is one per user, whatever the folder; a virtual one is this process's own.
    const std::string lockKey = InstanceLock::keyFor(options.virtualMouse, paths.appDir);
    std::string holder;
    auto lock = InstanceLock::tryAcquire(lockKey, "torvex", &holder);
    if (!lock) {
        // Another copy drives this mouse: bring its window back and end without a word.
        if (askRunningInstanceToRestore(lockKey)) {
            return 0;
        }
        // No window answered: the holder is another torvex program (torvexctl run).
        std::fprintf(stderr, "torvex: %s\n",
                     InstanceLock::busyMessage(options.virtualMouse, paths.appDir, holder).c_str());
        return 1;
    }

    MouseBackend mouse = createMouseBackend(options, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "torvex: %s\n", error.c_str());
    }
    qCInfo(lcTorvex) << (options.virtualMouse ? "virtual mouse" : "hidraw devices")
                     << "- pointer settings:" << mouse.pointer->name().c_str();

    // Qt's own buttons and dialogs follow the interface language, from the first message on.
    QtTranslations qtTexts;
    qtTexts.apply(ReadLanguage(paths.configPath()) != 0 ? 1 : 0);

    DialogEnvironment env;
    env.paths = paths;
    env.backend = mouse.backend.get();
    env.pointer = mouse.pointer.get();
    CQAV_VUvuvuDlg* dialogPtr = nullptr;
    env.message = [&dialogPtr](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                        dialogPtr);
        box.exec();
    };
    CQAV_VUvuvuDlg dialog(std::move(env));
    dialogPtr = &dialog;
    // The title names the language exactly; it changes with every language switch.
    QObject::connect(&dialog, &QWidget::windowTitleChanged, &dialog, [&qtTexts](const QString& t) {
        qtTexts.apply(t == ui::windowTitle(0) ? 0 : 1);
    });
    ui::FunctionMenus functionMenus(ui::PopupContext{dialog, dialog.model(), dialog.layout(),
                                                     dialog.macros(), dialog.imageCache(),
                                                     paths.skinDir});
    functionMenus.installInto(dialog.popupHooks());

    QLocalServer server;
    const QString socketPath = instanceSocketPath(lockKey);
    QLocalServer::removeServer(socketPath); // a stale socket of a copy that died; we hold the lock
    server.setSocketOptions(QLocalServer::UserAccessOption);
    if (server.listen(socketPath)) {
        QObject::connect(&server, &QLocalServer::newConnection, &dialog, [&server, &dialog] {
            while (QLocalSocket* client = server.nextPendingConnection()) {
                QObject::connect(client, &QLocalSocket::readyRead, &dialog, [client, &dialog] {
                    if (client->readAll().contains("restore")) {
                        dialog.RestoreWindow();
                    }
                });
                QObject::connect(client, &QLocalSocket::disconnected, client,
                                 &QObject::deleteLater);
            }
        });
    } else {
        std::fprintf(stderr, "torvex: a second start cannot reach this window: %s\n",
                     server.errorString().toUtf8().constData());
    }

    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (catchTerminationSignals()) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &dialog, [&dialog] {
            char buffer[16];
            while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
            }
            dialog.ExitProgram(EndReason::Exit);
        });
    }

    int status = 0;
    QObject::connect(&dialog, &CQAV_VUvuvuDlg::programEnded, &qt, [&status](int code) {
        status = code;
        QApplication::exit(code);
    });
    if (!dialog.MainInit()) {
        return dialog.endReason() == EndReason::Exit ? 0 : 1;
    }
    if (!options.hidden) {
        dialog.show();
    } else if (!dialog.trayAvailable()) {
        dialog.showMinimized(); // nowhere to hide to: stay reachable from the taskbar
    }
    QApplication::exec();
    return status;
}

} // namespace torvex::app
