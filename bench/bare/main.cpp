// The floor of a Qt command-line program's start: a QCoreApplication made
// and the process ended, nothing else. The start-up benchmark runs it side by
// side with omi-cli.
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return 0;
}
