#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kinbox"));
    QLabel window(QStringLiteral("Kinbox"));
    window.setWindowTitle(QStringLiteral("Kinbox"));
    window.setAlignment(Qt::AlignCenter);
    window.resize(640, 400);
    window.show();
    return app.exec();
}
