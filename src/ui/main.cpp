// Lumavell2 start-up. Until the main window exists this says what the program is.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumavell2");
    QLabel label("Lumavell2 photo organiser\n(the main window is being built)");
    label.setAccessibleName("Lumavell2");
    label.setAlignment(Qt::AlignCenter);
    label.resize(420, 160);
    label.setWindowTitle("Lumavell2");
    label.show();
    return app.exec();
}
