// Waits until an office answers on a pipe and has the named workbook active, the state in
// which Velmora locks that workbook at start. Exit 0 when ready, 1 on timeout, 2 on bad use.
// Usage: velmora-office-ready PIPE WORKBOOK SECONDS

#include "calc_link.h"
#include "spreadsheet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool numeric = false;
    const int seconds = args.size() == 4 ? args[3].toInt(&numeric) : 0;
    if (!numeric || seconds <= 0) {
        QTextStream(stderr) << "usage: velmora-office-ready PIPE WORKBOOK SECONDS\n";
        return 2;
    }
    velmora::CalcLinkOptions options;
    options.pipeName = args[1];
    // Only this pipe: asking other offices to listen would defeat the wait.
    options.handOff = false;
    const auto link = velmora::makeCalcLink(options);

    QElapsedTimer clock;
    clock.start();
    QString seen;
    while (clock.elapsed() < seconds * 1000LL) {
        try {
            seen = link->attach()->activeWorkbook()->name();
            if (seen == args[2]) {
                return 0;
            }
        } catch (const std::exception&) {
            // Not listening yet, or still loading the document.
        }
        QThread::msleep(200);
    }
    QTextStream(stderr) << "velmora-office-ready: no workbook \"" << args[2]
                        << "\" active on the pipe \"" << args[1] << "\" after " << seconds << " s"
                        << (seen.isEmpty() ? QString() : " (active: " + seen + ")") << "\n";
    return 1;
}
