// The floor of Vantril's start-up: a bare Qt Widgets program of the same
// build that shows one empty window of the same size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(228, 239);  // frmVantril: 3420 x 3585 twips
    window.show();
    return QApplication::exec();
}
