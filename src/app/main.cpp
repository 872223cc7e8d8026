// folidex: the desktop program.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("フォリデクス - Folidex"));
  window.setCentralWidget(new QLabel(QStringLiteral("Folidex"), &window));
  window.resize(1200, 800);
  window.show();
  return app.exec();
}
