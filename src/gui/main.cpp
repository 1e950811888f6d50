// vadrix: the program with its main window.

#include <QApplication>

#include "gui/app/ProgramMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vadrix::ProgramOptions options;
    for (int i = 1; i < argc; ++i) options.words.emplace_back(argv[i]);
    return vadrix::RunProgram(options);
}
