// SPDX-License-Identifier: MIT
// Tests of the Find window: a catalogue of all six formats searched by mask and by regular
// expression and saved as dirscribe-cli saves it, sorting, copying, cancelling, lists that
// cannot be read, and what the window remembers.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "UiFakes.h"
#include "engine/SharedState.h"
#include "support/Process.h"
#include "support/TempTree.h"
#include "ui/FindResults.h"
#include "ui/FindWindow.h"
#include "ui/Main.h"
#include "ui/Remembered.h"

namespace dirscribe::test {

namespace fs = std::filesystem;

namespace {

QString Native(const fs::path& path) {
    return QDir::toNativeSeparators(QString::fromStdString(Utf8(path)));
}

template <class W>
W* Child(QWidget& window, const char* name) {
    auto* widget = window.findChild<W*>(QString::fromLatin1(name));
    if (!widget) qFatal("no widget %s", name);
    return widget;
}

// The Name column of the table, top to bottom.
QStringList Names(const ui::FindWindow& window) {
    QStringList names;
    const ui::FindResults& results = window.Results();
    for (int row = 0; row < results.rowCount(); ++row)
        names << results.index(row, ui::FindResults::Name).data().toString();
    return names;
}

}  // namespace

class FindWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void findsAndSavesAsTheCommandLineTool_data();
    void findsAndSavesAsTheCommandLineTool();
    void sortsSizesAsNumbersAndDatesAsDatesAndCopiesRows();
    void enterOrEscapeCancelsASearch_data();
    void enterOrEscapeCancelsASearch();
    void namesWhatCannotBeReadOrWritten();
    void opensOnceAndRemembersItsSizeAndLists();
    void dateKeysFollowTheRegionalPatterns();

  private:
    // Types the pattern and the lists, presses Enter and waits for the search to end.
    void Search(const QString& pattern, bool regex, const QString& lists);

    std::unique_ptr<TempDir> tmp_;
    fs::path catalogue_;  // the music tree appended in the six formats
    fs::path plain_;      // the music tree in format 0 alone
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<ui::FindWindow> window_;
};

void FindWindowTest::initTestCase() {
    tmp_ = std::make_unique<TempDir>();
    const fs::path music = *tmp_ / "Music";
    MakeMusicTree(music);
    catalogue_ = *tmp_ / "catalogue.txt";
    plain_ = *tmp_ / "plain.txt";
    for (int f = 0; f < 6; ++f) {
        const ProgramResult r =
            RunProgram(DIRSCRIBE_CLI, {"-q", "--label", "MUSIC01", "-D", "Box 3", "-f",
                                       std::to_string(f), "-a", Utf8(catalogue_), Utf8(music)});
        QVERIFY2(r.status == 0, r.err.c_str());
    }
    QCOMPARE(RunProgram(DIRSCRIBE_CLI, {"-q", "-n", Utf8(plain_), Utf8(music)}).status, 0);
}

void FindWindowTest::init() {
    settings_ = std::make_unique<QSettings>(Native(*tmp_ / "remembered.ini"), QSettings::IniFormat);
    settings_->clear();
    ui::SetRememberedSettings(settings_.get());
    dialogs_ = std::make_unique<ScriptedDialogs>();
    window_ = std::make_unique<ui::FindWindow>(*dialogs_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void FindWindowTest::cleanup() {
    window_.reset();
    ui::SetRememberedSettings(nullptr);
    settings_.reset();
    dialogs_.reset();
}

void FindWindowTest::Search(const QString& pattern, bool regex, const QString& lists) {
    Child<QLineEdit>(*window_, "PatternBox")->setText(pattern);
    Child<QCheckBox>(*window_, "RegexBox")->setChecked(regex);
    Child<QLineEdit>(*window_, "ListsBox")->setText(lists);
    QSignalSpy ended(window_.get(), &ui::FindWindow::SearchEnded);
    QTest::keyClick(Child<QLineEdit>(*window_, "PatternBox"), Qt::Key_Return);
    QVERIFY(ended.count() > 0 || ended.wait(20000));
}

void FindWindowTest::findsAndSavesAsTheCommandLineTool_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("regex");
    QTest::addColumn<int>("matches");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("named");  // rows whose name is `name`
    // Formats 2 and 4 keep base names: a mask with the extension misses them.
    QTest::newRow("mask") << "BLUE*.MP3" << false << 4 << "blue train.mp3" << 4;
    QTest::newRow("regex, case ignored") << "^BLUE tr" << true << 6 << "blue train" << 2;
    // The folder, by its headings and sub-folder lines.
    QTest::newRow("folder") << "jazz" << false << 4 << "Jazz" << 4;
    QTest::newRow("none") << "*.wav" << false << 0 << "" << 0;
}

void FindWindowTest::findsAndSavesAsTheCommandLineTool() {
    QFETCH(QString, pattern);
    QFETCH(bool, regex);
    QFETCH(int, matches);
    QFETCH(QString, name);
    QFETCH(int, named);
    Search(pattern, regex, Native(catalogue_));
    QCOMPARE(window_->Results().rowCount(), matches);
    QCOMPARE(Names(*window_).count(name), named);
    const QString status = Child<QLabel>(*window_, "FindStatus")->text();
    const std::string text = ReadFile(catalogue_);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    QVERIFY2(status.startsWith(QStringLiteral("%1 %2 in 1 list (%3 lines), ")
                                   .arg(matches)
                                   .arg(matches == 1 ? "match" : "matches")
                                   .arg(lines)),
             qPrintable(status));

    // Ctrl+S: the same bytes as dirscribe-cli writes for the same list and pattern.
    const fs::path saved = *tmp_ / "saved.csv";
    fs::remove(saved);
    dialogs_->fileAnswers = {Native(saved)};
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QCOMPARE(dialogs_->fileRequests[0].title, QStringLiteral("Save Results As"));
    QCOMPARE(ui::NameFilters(dialogs_->fileRequests[0].filter),
             QStringList{QStringLiteral("CSV Files (*.csv)")});
    std::vector<std::string> args = {"--find", pattern.toStdString(), "--format", "csv",
                                     Native(catalogue_).toStdString()};
    if (regex) args.insert(args.begin(), "--regex");
    const ProgramResult cli = RunProgram(DIRSCRIBE_CLI, args);
    QCOMPARE(cli.status, matches > 0 ? 0 : 1);
    QCOMPARE(ReadFile(saved), cli.out);
}

void FindWindowTest::sortsSizesAsNumbersAndDatesAsDatesAndCopiesRows() {
    // Sizes 4,123,456 / 0 / 10,250,000 and dates 5/17/2003 9:41:07 PM / 3/9/2004 /
    // 1/2/2004 8:05:00 AM: text order differs from the order of numbers and of dates.
    Search(QStringLiteral("\\."), true, Native(plain_));
    QCOMPARE(Names(*window_), QStringList({"intro.mp3", "notes.txt", "blue train.mp3"}));
    auto* table = Child<QTableView>(*window_, "Results");
    QHeaderView* header = table->horizontalHeader();
    const auto clickHeading = [header](int column) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    };
    struct Step {
        int column;
        QStringList names;
    };
    const Step steps[] = {
        {ui::FindResults::Size, {"notes.txt", "intro.mp3", "blue train.mp3"}},
        {ui::FindResults::Size, {"blue train.mp3", "intro.mp3", "notes.txt"}},  // again: down
        {ui::FindResults::Date, {"intro.mp3", "blue train.mp3", "notes.txt"}},
        {ui::FindResults::Name, {"blue train.mp3", "intro.mp3", "notes.txt"}},
    };
    for (const Step& step : steps) {
        clickHeading(step.column);
        QCOMPARE(Names(*window_), step.names);
    }

    // A search with a sorted table comes out sorted.
    Search(QStringLiteral("*.*"), false, Native(plain_));
    QCOMPARE(Names(*window_).mid(0, 3), QStringList({"blue train.mp3", "intro.mp3", "Jazz"}));

    // Ctrl+C: the selected rows, cells between tabs, in the table's order (by date; the
    // folders, without one, last).
    clickHeading(ui::FindResults::Date);
    table->setFocus();
    table->selectRow(0);
    table->selectionModel()->select(window_->Results().index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    const QStringList rows = copied.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    const QStringList first = rows[0].split(QLatin1Char('\t'));
    QCOMPARE(first.size(), int{ui::FindResults::ColumnCount});
    QCOMPARE(first[ui::FindResults::List], Native(plain_));
    QCOMPARE(first[ui::FindResults::Name], QStringLiteral("intro.mp3"));
    QCOMPARE(first[ui::FindResults::Size], QStringLiteral("4,123,456"));
    QCOMPARE(first[ui::FindResults::Kind], QStringLiteral("file"));
    QCOMPARE(rows[1].split(QLatin1Char('\t'))[ui::FindResults::Name], Names(*window_)[2]);
}

void FindWindowTest::enterOrEscapeCancelsASearch_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int{Qt::Key_Return};
    QTest::newRow("Escape") << int{Qt::Key_Escape};
}

void FindWindowTest::enterOrEscapeCancelsASearch() {
    QFETCH(int, key);
    // Lists far larger than the blocks between which a search looks for a cancel.
    const fs::path big = *tmp_ / "big.txt";
    if (!fs::exists(big)) {
        const std::string one = ReadFile(catalogue_);
        std::string text;
        while (text.size() < (std::size_t{24} << 20)) text += one;
        WriteFile(big, text);
    }
    auto* patternBox = Child<QLineEdit>(*window_, "PatternBox");
    patternBox->setText(QStringLiteral("*.*"));
    Child<QLineEdit>(*window_, "ListsBox")
        ->setText(Native(big) + QStringLiteral("; ") + Native(big));
    QSignalSpy ended(window_.get(), &ui::FindWindow::SearchEnded);
    QTest::keyClick(patternBox, Qt::Key_Return);
    QVERIFY(window_->Searching());
    QCOMPARE(Child<QPushButton>(*window_, "FindButton")->text(), QStringLiteral("Stop"));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                : static_cast<QWidget*>(window_.get()),
                    static_cast<Qt::Key>(key));
    QVERIFY(ended.wait(20000));
    const QString status = Child<QLabel>(*window_, "FindStatus")->text();
    QVERIFY2(status.startsWith(QStringLiteral("Cancelled: ")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral(" in 1 list ")), qPrintable(status));
    QVERIFY(window_->isVisible());  // Escape during a search does not close the window
    QCOMPARE(Child<QPushButton>(*window_, "FindButton")->text(), QStringLiteral("Find"));
    QVERIFY(dialogs_->messages.isEmpty());
    // Escape with no search running closes it.
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
}

void FindWindowTest::namesWhatCannotBeReadOrWritten() {
    // A list that is not there; a list with a line no format writes (named, passed over).
    const fs::path missing = *tmp_ / "missing.txt";
    const fs::path odd = *tmp_ / "odd.txt";
    WriteFile(odd, "\"intro\"\r\nthis is no list\r\n\"intro\"\r\n");
    Search(QStringLiteral("*.mp3"), false,
           Native(missing) + QStringLiteral(" ; ") + Native(plain_) + QStringLiteral(";") +
               Native(odd));
    // The lists after it are still searched.
    QCOMPARE(Names(*window_), QStringList({"intro.mp3", "blue train.mp3"}));
    const QString status = Child<QLabel>(*window_, "FindStatus")->text();
    QVERIFY2(status.startsWith(QStringLiteral("2 matches in 3 lists (")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("missing.txt")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("1 line of no list format skipped (") + Native(odd) +
                             QStringLiteral(":2: ")),
             qPrintable(status));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].contains(QStringLiteral("missing.txt")));

    // Saving: into a folder that is not there, and over a list searched.
    dialogs_->fileAnswers = {Native(*tmp_ / "no-such-folder" / "saved.csv"), Native(plain_)};
    dialogs_->yesNoAnswer = true;
    auto* save = Child<QPushButton>(*window_, "SaveResults");
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(dialogs_->messages.size(), 2);
    QVERIFY2(dialogs_->messages[1].contains(QStringLiteral("not saved")) &&
                 dialogs_->messages[1].contains(QStringLiteral("saved.csv")),
             qPrintable(dialogs_->messages[1]));
    const std::string before = ReadFile(plain_);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(dialogs_->messages.size(), 3);
    QVERIFY(dialogs_->messages[2].contains(QStringLiteral("being searched")));
    QCOMPARE(ReadFile(plain_), before);

    // A bad regular expression is named before anything is read.
    Search(QStringLiteral("("), true, Native(plain_));
    QCOMPARE(dialogs_->messages.size(), 4);
    QVERIFY(dialogs_->messages[3].startsWith(QStringLiteral("Bad regular expression '(':")));
    QCOMPARE(window_->Results().rowCount(), 0);
}

void FindWindowTest::opensOnceAndRemembersItsSizeAndLists() {
    window_.reset();
    SharedState state;
    FakeDrives drives;
    drives.drives = {{"data", tmp_->Str(), tmp_->Str(), "DATA"}};
    drives.currentFolder = tmp_->Str();
    ui::Main main(state, *dialogs_, drives);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    // A run that appends to a list: its list is the one offered for searching.
    const fs::path appended = *tmp_ / "appended.txt";
    dialogs_->fileAnswers = {Native(appended)};
    QTest::mouseClick(Child<QPushButton>(main, "Command1"), Qt::LeftButton);
    QVERIFY(fs::exists(appended));
    auto* find = Child<QAction>(main, "MnuFind");
    QCOMPARE(find->text(), QStringLiteral("Find in Lists..."));
    QCOMPARE(find->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    const auto open = [&] {
        find->trigger();
        const auto windows = main.findChildren<ui::FindWindow*>();
        if (windows.size() != 1) qFatal("%d Find windows", static_cast<int>(windows.size()));
        return windows[0];
    };

    ui::FindWindow* window = open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Find in Lists"));
    QVERIFY(!window->isModal());
    QCOMPARE(window->focusWidget(), Child<QLineEdit>(*window, "PatternBox"));
    // Tab goes from the pattern to the list files.
    QCOMPARE(Child<QLineEdit>(*window, "PatternBox")->nextInFocusChain(),
             Child<QLineEdit>(*window, "ListsBox"));
    // Empty at first: the append file of the last run.
    QCOMPARE(Child<QLineEdit>(*window, "ListsBox")->text(), Native(appended));
    Child<QLineEdit>(*window, "ListsBox")->setFocus();
    QCOMPARE(open(), window);  // one at a time, raised with the keyboard in the pattern box
    QCOMPARE(window->focusWidget(), Child<QLineEdit>(*window, "PatternBox"));
    // Ctrl+F in the Find window itself.
    Child<QLineEdit>(*window, "ListsBox")->setFocus();
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(window->focusWidget(), Child<QLineEdit>(*window, "PatternBox"));

    // Browse: several files at once.
    dialogs_->filesAnswers = {QStringList{Native(plain_), Native(catalogue_)}};
    QTest::mouseClick(Child<QPushButton>(*window, "Browse"), Qt::LeftButton);
    const QString both = Native(plain_) + QStringLiteral("; ") + Native(catalogue_);
    QCOMPARE(Child<QLineEdit>(*window, "ListsBox")->text(), both);
    QSignalSpy ended(window, &ui::FindWindow::SearchEnded);
    QTest::keyClick(Child<QLineEdit>(*window, "PatternBox"), Qt::Key_Return);
    QVERIFY(ended.wait(20000));
    window->resize(640, 360);
    window->close();  // and gone
    QTRY_VERIFY(main.findChildren<ui::FindWindow*>().isEmpty());

    window = open();
    QCOMPARE(window->size(), QSize(640, 360));
    QCOMPARE(Child<QLineEdit>(*window, "ListsBox")->text(), both);
}

void FindWindowTest::dateKeysFollowTheRegionalPatterns() {
    using Kind = platform::DateTimeToken::Kind;
    platform::RegionalSettings german = platform::RegionalSettings::UnitedStates();
    german.shortDate.clear();
    german.longTime.clear();
    platform::AppendField(german.shortDate, Kind::Day, 2);
    platform::AppendLiteral(german.shortDate, ".");
    platform::AppendField(german.shortDate, Kind::Month, 2);
    platform::AppendLiteral(german.shortDate, ".");
    platform::AppendField(german.shortDate, Kind::Year, 4);
    platform::AppendField(german.longTime, Kind::Hour24, 2);
    platform::AppendLiteral(german.longTime, ":");
    platform::AppendField(german.longTime, Kind::Minute, 2);
    platform::AppendLiteral(german.longTime, ":");
    platform::AppendField(german.longTime, Kind::Second, 2);
    platform::RegionalSettings packed = german;  // yyyyMMdd, no separators
    packed.shortDate.clear();
    platform::AppendField(packed.shortDate, Kind::Year, 4);
    platform::AppendField(packed.shortDate, Kind::Month, 2);
    platform::AppendField(packed.shortDate, Kind::Day, 2);

    struct Case {
        const platform::RegionalSettings& settings;
        std::vector<std::string> ascending;
        std::vector<std::string> refused;
    };
    const Case cases[] = {
        {platform::RegionalSettings::UnitedStates(),
         {"12/31/1999 11:59:59 PM", "1/1/2000", "1/1/2000 12:00:01 AM", "1/1/2000 11:59:59 AM",
          "1/1/2000 12:00:00 PM", "1/1/2000 1:00:00 PM", "2/1/2000", "1/2/2001"},
         {"", "not a date", "13/1/2000", "1/1/2000 ", "1/1/2000 1:00:00", "1/1/2000 x"}},
        {german,
         {"31.12.1999 23:59:59", "01.01.2000", "01.01.2000 00:00:01", "02.01.2000", "01.02.2000"},
         {"1/1/2000", "01.01.2000 25:00:00"}},
        {packed, {"19991231", "20000101 00:00:01", "20000102", "20000201"}, {"20001301", "2000"}},
    };
    for (const Case& c : cases) {
        std::optional<std::int64_t> previous;
        for (const std::string& text : c.ascending) {
            const auto key = ui::DateKey(text, c.settings);
            QVERIFY2(key.has_value(), text.c_str());
            if (previous) QVERIFY2(*previous < *key, text.c_str());
            previous = key;
        }
        for (const std::string& text : c.refused)
            QVERIFY2(!ui::DateKey(text, c.settings).has_value(), text.c_str());
    }
    QCOMPARE(ui::SizeKey("10,250,000"), std::int64_t{10250000});
    QCOMPARE(ui::SizeKey("1.234"), std::int64_t{1234});
    QCOMPARE(ui::SizeKey(""), std::int64_t{-1});
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::FindWindowTest)
#include "FindWindowTest.moc"
