// Times every list command of the real window on a list of N entries: each
// command is a click on its button, and each timing lasts until the view has
// laid out and painted the result. Prints one line per command,
// "command median_seconds peak_bytes", where the peak is the highest resident
// size the process reached during that command (in any run).
//
// usage: quillmark_bench [N] [--list FILE] [--runs R] [--work DIR] [--only NAMES]
//                        [--per-file K] [--profile PROFILE] [--threads T]

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
    QString problemsAfter(const Command &command);

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

// What was wrong after a command, besides its own check: an empty text when
// nothing was.
QString Bench::problemsAfter(const Command &command)
{
    QString problem = command.check();
    if (list->count() > 0 && !list->visualRect(list->model()->index(list->count() - 1, 0)).isValid())
        problem += QStringLiteral(" the view had not laid out every row");
    if (QGuiApplication::overrideCursor())
        problem += QStringLiteral(" wait cursor left on");
    for (const ModalAnswerer::Box &box : std::as_const(answerer.boxes))
        problem += QStringLiteral(" message box: ") + box.text;
    answerer.boxes.clear();
    return problem;
}

// One line of the table: the median time and the highest peak of the runs.
void printMedian(const char *name, QList<Sample> samples)
{
    std::sort(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) { return a.seconds < b.seconds; });
    const qint64 peak = std::max_element(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) {
                            return a.peakBytes < b.peakBytes;
                        })->peakBytes;
    std::printf("%s %.3f %lld\n", name, samples.at(samples.size() / 2).seconds, static_cast<long long>(peak));
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
            const QString problem = problemsAfter(command);
            std::fprintf(stderr, "# run %d %-12s %8.3f s (slot %.3f s, view %.3f s) peak %lld, after %lld%s%s\n",
                         round, command.name, sample.seconds, sample.slotSeconds, sample.seconds - sample.slotSeconds,
                         static_cast<long long>(sample.peakBytes), static_cast<long long>(sample.residentAfter),
                         problem.isEmpty() ? "" : " FAILED:", qPrintable(problem));
            failures += !problem.isEmpty();
        }
    }

    std::printf("# entries %lld runs %d peak %s\n", static_cast<long long>(entries), runs,
                perCommandPeak ? "per command" : "since start");
    for (qsizetype i = 0; i < chosen.size(); ++i)
        printMedian(chosen.at(i).name, samples[i]);
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

// What the command line asks for.
struct Options {
    qsizetype entries = 1'000'000;
    int runs = 3;
    int perFile = 5000;
    QString listPath;
    QString workPath;
    QString profile;
    QStringList only;
};

Options parseOptions(const QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times every list command of the window."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("N"), QStringLiteral("Number of entries (default 1000000)."));
    const auto option = [](const char *name, const char *description, const char *value, const char *byDefault) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                  QString::fromLatin1(value), QString::fromLatin1(byDefault));
    };
    const QCommandLineOption listOption = option("list", "List file of N entries to use instead of a generated one.", "file", "");
    const QCommandLineOption runsOption = option("runs", "Runs per command (default 3).", "count", "3");
    const QCommandLineOption workOption = option("work", "Folder for the saved list and the pieces.", "folder", "");
    const QCommandLineOption onlyOption =
            option("only", "Comma-separated commands to time (default all), for profiling.", "names", "");
    const QCommandLineOption perFileOption =
            option("per-file", "Entries per piece for Create Files (default 5000).", "count", "5000");
    const QCommandLineOption profileOption =
            option("profile", "Kind of generated list, as generate_list.py names it (default short).", "profile", "short");
    const QCommandLineOption threadsOption =
            option("threads", "Threads a command may use (default one per core).", "count", "0");
    parser.addOptions({listOption, runsOption, workOption, onlyOption, perFileOption, profileOption, threadsOption});
    parser.process(app);

    Options options;
    const QStringList positional = parser.positionalArguments();
    bool ok = true;
    if (!positional.isEmpty())
        options.entries = positional.first().toLongLong(&ok);
    options.runs = parser.value(runsOption).toInt();
    options.perFile = parser.value(perFileOption).toInt();
    const int threads = parser.value(threadsOption).toInt();
    if (!ok || options.entries < 2 || options.runs < 1 || options.perFile < 1 || threads < 0)
        parser.showHelp(2);
    quillmark::setWorkThreads(threads);
    options.listPath = parser.value(listOption);
    options.workPath = parser.value(workOption);
    options.profile = parser.value(profileOption);
    options.only = parser.value(onlyOption).split(u',', Qt::SkipEmptyParts);
    return options;
}

// The list to load, as an absolute name, since the file dialog resolves a
// relative one in the folder it shows: the one given, or one generated.
QString listFile(const Options &options, const QString &work)
{
    if (!options.listPath.isEmpty())
        return QFileInfo(options.listPath).absoluteFilePath();
    const QString generated = QDir(work).filePath(QStringLiteral("list.txt"));
    const int status = QProcess::execute(QStringLiteral("python3"),
                                         {QStringLiteral(QUILLMARK_LIST_GENERATOR), QString::number(options.entries),
                                          generated, QStringLiteral("--profile"), options.profile});
    if (status != 0)
        qFatal("the list generator failed");
    return generated;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreenNotes);
    QApplication app(argc, argv);
    useFittingFont();
    const Options options = parseOptions(app);

    QTemporaryDir temporary;
    const QString work = QFileInfo(options.workPath.isEmpty() ? temporary.path() : options.workPath).absoluteFilePath();
    QDir().mkpath(work);
    Bench bench(listFile(options, work), work, options.entries, options.perFile);
    return bench.run(options.runs, options.only);
}
