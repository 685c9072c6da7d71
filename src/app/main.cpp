#include <QApplication>
#include <QMainWindow>

// The windowed program. Its panes are being built; until then the window
// opens empty and corvane-cli is the way to reach a site.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("corvane"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("corvane"));
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
