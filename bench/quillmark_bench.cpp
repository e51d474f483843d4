// Times every list command of the real window on a list of N entries: each
// command is a click on its button, and each timing lasts until the view has
// laid out and painted the result. Prints one line per command,
// "command median_seconds peak_bytes", where the peak is the highest resident
// size the process reached during that command (in any run).
//
// usage: quillmark_bench [N] [--list FILE] [--runs R] [--work DIR] [--only NAMES]
//                        [--per-file K] [--profile short|long] [--threads T]

#include "ApplicationFont.h"
#include "MainWindow.h"
#include "ModalAnswerer.h"
#include "PeakMemory.h"
#include "WorkThreads.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Command {
    const char *name;
    // Whether the command needs the loaded list as it came from the file.
    bool needsFreshList;
    std::function<void()> run;
    // Empty when the result looks right, else what is wrong.
    std::function<QString()> check;
};

struct Sample {
    double seconds = 0;
    double slotSeconds = 0;
    qint64 peakBytes = 0;
    qint64 residentAfter = 0;
};

class Bench
{
public:
    Bench(const QString &listPath, const QString &workDir, qsizetype entries, int perFile);
    int run(int runs, const QStringList &only);

private:
    template <typename T>
    T *child(const char *name) const
    {
        T *widget = window.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    void click(const char *button) { QTest::mouseClick(child<QAbstractButton>(button), Qt::LeftButton); }
    void settle() const;
    void freshList();
    Sample measure(const Command &command);
    Sample timed(const Command &command);
    QList<Command> commands();

    QString listPath;
    QString savePath;
    QString splitFolder;
    qsizetype entries;
    // Entries per piece for Create Files.
    int perFile;
    MainWindow window;
    QListWidget *list = nullptr;
    ModalAnswerer answerer;
    // The list holds exactly the loaded file.
    bool fresh = false;
};

Bench::Bench(const QString &listPath, const QString &workDir, qsizetype entries, int perFile)
    : listPath(listPath)
    , savePath(QDir(workDir).filePath(QStringLiteral("saved.txt")))
    , splitFolder(QDir(workDir).filePath(QStringLiteral("pieces")))
    , entries(entries)
    , perFile(perFile)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the window was never shown");
    list = child<QListWidget>("listWidget");
    child<QLineEdit>("txtReplaceBefore")->setText(QStringLiteral("a"));
    child<QLineEdit>("txtReplaceAfter")->setText(QStringLiteral("b"));
    child<QLineEdit>("txtRemoveAllAfter")->setText(QStringLiteral("="));
    child<QCheckBox>("chkAddStringInFrontAll")->setChecked(true);
    child<QLineEdit>("txtAddStringInFront")->setText(QStringLiteral("pre_"));
    child<QCheckBox>("chkAddStringAfterAll")->setChecked(true);
    child<QLineEdit>("txtAddStringAfterAll")->setText(QStringLiteral("_suf"));
    child<QLineEdit>("txtEntryCount")->setText(QString::number(perFile));
    child<QLineEdit>("txtFileText")->setText(QStringLiteral("part"));
    settle();
}

// Runs the event loop until nothing is left to do: the view's batched layout
// runs from zero-interval timers, so this returns only once every row is laid
// out and the result has been painted.
void Bench::settle() const
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    do {
        QCoreApplication::sendPostedEvents();
    } while (dispatcher->processEvents(QEventLoop::AllEvents));
}

// Untimed: brings back the list exactly as loaded, through the same buttons.
void Bench::freshList()
{
    if (fresh)
        return;
    child<QRadioButton>("rbDoNothing")->setChecked(true);
    if (list->count() > 0)
        click("btnClear");
    answerer.answers = {listPath};
    click("btnLoad");
    settle();
    fresh = true;
}

Sample Bench::measure(const Command &command)
{
    child<QRadioButton>("rbDoNothing")->setChecked(true);
    if (command.needsFreshList) {
        freshList();
    } else if (list->count() > 0) {
        click("btnClear");
        fresh = false;
    }
    settle();
    PeakMemory::reset();
    return timed(command);
}

// Apart from the preparation, so that a profiler can be told to look at this
// alone (valgrind --toggle-collect='*Bench::timed*').
Q_NEVER_INLINE Sample Bench::timed(const Command &command)
{
    QElapsedTimer timer;
    timer.start();
    command.run();
    const qint64 slotNanoseconds = timer.nsecsElapsed();
    settle();
    list->viewport()->repaint();
    settle();
    const qint64 nanoseconds = timer.nsecsElapsed();
    return {double(nanoseconds) / 1e9, double(slotNanoseconds) / 1e9, PeakMemory::bytes(),
            PeakMemory::currentBytes()};
}

QString countIs(const QListWidget *list, qsizetype expected)
{
    if (list->count() == expected)
        return {};
    return QStringLiteral("%1 entries, expected %2").arg(list->count()).arg(expected);
}

QList<Command> Bench::commands()
{
    auto keepsCount = [this] { return countIs(list, entries); };
    auto rewrite = [this, keepsCount](const char *name, const char *button) {
        return Command{name, true, [this, button] { click(button); },
                       [this, keepsCount] {
                           fresh = false;
                           return keepsCount();
                       }};
    };
    return {
            {"load", false,
             [this] {
                 answerer.answers = {listPath};
                 click("btnLoad");
             },
             [this, keepsCount] {
                 fresh = true;
                 return keepsCount();
             }},
            {"save", true,
             [this] {
                 answerer.answers = {savePath};
                 click("btnSave");
             },
             [this] {
                 QFile saved(savePath);
                 if (!saved.open(QIODevice::ReadOnly))
                     return QStringLiteral("nothing saved");
                 const qsizetype lines = saved.readAll().count("\r\n");
                 return lines == entries ? QString() : QStringLiteral("%1 lines saved").arg(lines);
             }},
            {"create_files", true,
             [this] {
                 answerer.answers = {splitFolder};
                 click("btnCreateFiles");
             },
             [this] {
                 QDir folder(splitFolder);
                 const qsizetype files = folder.entryList(QDir::Files).size();
                 folder.removeRecursively();
                 QDir().mkpath(splitFolder);
                 const qsizetype expected = (entries + perFile - 1) / perFile;
                 return files == expected ? QString() : QStringLiteral("%1 files written").arg(files);
             }},
            rewrite("upper", "rbConvertAllToUppercase"),
            rewrite("lower", "rbConvertAllToLowercase"),
            rewrite("replace", "btnReplace"),
            rewrite("remove_after", "btnRemove"),
            rewrite("add_to_all", "btnAddToAll"),
            rewrite("sort", "btnSort"),
            {"prune", true, [this] { click("btnPrune"); },
             [this] {
                 fresh = false;
                 return list->count() > 0 && list->count() < entries ? QString()
                                                                     : QStringLiteral("%1 left").arg(list->count());
             }},
            {"clear", true, [this] { click("btnClear"); },
             [this] {
                 fresh = false;
                 return countIs(list, 0);
             }},
    };
}

int Bench::run(int runs, const QStringList &only)
{
    QDir().mkpath(splitFolder);
    QList<Command> chosen = commands();
    if (!only.isEmpty())
        chosen.removeIf([&](const Command &command) { return !only.contains(QLatin1String(command.name)); });
    QList<QList<Sample>> samples(chosen.size());
    int failures = 0;
    const bool perCommandPeak = PeakMemory::reset();
    for (int round = 1; round <= runs; ++round) {
        for (qsizetype i = 0; i < chosen.size(); ++i) {
            const Command &command = chosen.at(i);
            const Sample sample = measure(command);
            samples[i].append(sample);
            QString problem = command.check();
            if (list->count() > 0 && !list->visualRect(list->model()->index(list->count() - 1, 0)).isValid())
                problem += QStringLiteral(" the view had not laid out every row");
            if (QGuiApplication::overrideCursor())
                problem += QStringLiteral(" wait cursor left on");
            for (const ModalAnswerer::Box &box : std::as_const(answerer.boxes))
                problem += QStringLiteral(" message box: ") + box.text;
            answerer.boxes.clear();
            std::fprintf(stderr, "# run %d %-12s %8.3f s (slot %.3f s, view %.3f s) peak %lld, after %lld%s%s\n",
                         round, command.name, sample.seconds, sample.slotSeconds, sample.seconds - sample.slotSeconds,
                         static_cast<long long>(sample.peakBytes), static_cast<long long>(sample.residentAfter),
                         problem.isEmpty() ? "" : " FAILED:", qPrintable(problem));
            failures += !problem.isEmpty();
        }
    }

    std::printf("# entries %lld runs %d peak %s\n", static_cast<long long>(entries), runs,
                perCommandPeak ? "per command" : "since start");
    for (qsizetype i = 0; i < chosen.size(); ++i) {
        QList<Sample> &taken = samples[i];
        std::sort(taken.begin(), taken.end(), [](const Sample &a, const Sample &b) { return a.seconds < b.seconds; });
        const qint64 peak = std::max_element(taken.begin(), taken.end(), [](const Sample &a, const Sample &b) {
                                return a.peakBytes < b.peakBytes;
                            })->peakBytes;
        std::printf("%s %.3f %lld\n", chosen.at(i).name, taken.at(taken.size() / 2).seconds,
                    static_cast<long long>(peak));
    }
    if (answerer.sawBusyCursorUnderModal) {
        std::fprintf(stderr, "# a dialog opened under the wait cursor\n");
        ++failures;
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

// The offscreen platform cannot size windows to hints; it says so every time
// a dialog opens, which would bury the figures.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreenNotes);
    QApplication app(argc, argv);
    useFittingFont();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times every list command of the window."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("N"), QStringLiteral("Number of entries (default 1000000)."));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("List file of N entries to use instead of a generated one."),
                                        QStringLiteral("file"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs per command (default 3)."),
                                        QStringLiteral("count"), QStringLiteral("3"));
    const QCommandLineOption workOption(QStringLiteral("work"),
                                        QStringLiteral("Folder for the saved list and the pieces."),
                                        QStringLiteral("folder"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Comma-separated commands to time (default all), for profiling."),
                                        QStringLiteral("names"));
    const QCommandLineOption perFileOption(QStringLiteral("per-file"),
                                           QStringLiteral("Entries per piece for Create Files (default 5000)."),
                                           QStringLiteral("count"), QStringLiteral("5000"));
    const QCommandLineOption profileOption(QStringLiteral("profile"),
                                           QStringLiteral("Kind of generated list: short or long (default short)."),
                                           QStringLiteral("profile"), QStringLiteral("short"));
    const QCommandLineOption threadsOption(QStringLiteral("threads"),
                                           QStringLiteral("Threads a command may use (default one per core)."),
                                           QStringLiteral("count"), QStringLiteral("0"));
    parser.addOptions({listOption, runsOption, workOption, onlyOption, perFileOption, profileOption, threadsOption});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    bool ok = true;
    const qsizetype entries = positional.isEmpty() ? 1'000'000 : positional.first().toLongLong(&ok);
    const int runs = parser.value(runsOption).toInt();
    const int perFile = parser.value(perFileOption).toInt();
    const int threads = parser.value(threadsOption).toInt();
    if (!ok || entries < 2 || runs < 1 || perFile < 1 || threads < 0)
        parser.showHelp(2);
    quillmark::setWorkThreads(threads);

    QTemporaryDir temporary;
    const QString work = QFileInfo(parser.isSet(workOption) ? parser.value(workOption) : temporary.path())
                                 .absoluteFilePath();
    QDir().mkpath(work);
    // Absolute, since the file dialog resolves a relative name in the folder
    // it shows.
    QString listPath = parser.value(listOption);
    if (!listPath.isEmpty())
        listPath = QFileInfo(listPath).absoluteFilePath();
    if (listPath.isEmpty()) {
        listPath = QDir(work).filePath(QStringLiteral("list.txt"));
        const int status = QProcess::execute(QStringLiteral("python3"),
                                             {QStringLiteral(QUILLMARK_LIST_GENERATOR), QString::number(entries),
                                              listPath, QStringLiteral("--profile"), parser.value(profileOption)});
        if (status != 0)
            qFatal("the list generator failed");
    }

    Bench bench(listPath, work, entries, perFile);
    return bench.run(runs, parser.value(onlyOption).split(u',', Qt::SkipEmptyParts));
}
