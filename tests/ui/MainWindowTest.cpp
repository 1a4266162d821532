// SPDX-License-Identifier: MIT
// Tests of the main window: its state at start, its controls and menus, the runs started from
// it with the progress window, drive and folder changes, Refresh, About and Quit.
#include <QAction>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <memory>

#include "UiFakes.h"
#include "engine/AppIdentity.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "support/TempTree.h"
#include "ui/DriveList.h"
#include "ui/FolderList.h"
#include "ui/Main.h"
#include "ui/Status.h"
#include "ui/Twips.h"
#include "ui/WindowFrontEnd.h"
#include "ui/frmSplash.h"

namespace dirscribe::test {

namespace {

// The drive list's entries as the system writes them: a letter on Windows, a mount point on
// Linux (the temporary folders lie on C: under Windows).
constexpr bool kWindows = platform::kPathSeparator == '\\';
constexpr const char* kDataDrive = kWindows ? "c: [DATA]" : "/fake [DATA]";
constexpr const char* kOtherDrive = kWindows ? "d: [OTHER]" : "/other [OTHER]";

// Under Wine, Qt's offscreen platform finds no proportional font: Wine hands the program no
// Unix environment variable (QT_QPA_FONTDIR), and without fontconfig Qt finds no font at all or
// takes Courier for "Sans Serif". Measures of text then say nothing about the layout.
bool NoProportionalFont() {
    const QFontInfo info(QApplication::font());
    return info.family().isEmpty() || info.fixedPitch();
}
constexpr const char* kNoFontUnderWine =
    "no proportional font on the offscreen platform: Wine passes no Unix environment "
    "(QT_QPA_FONTDIR) to the program, and Qt without fontconfig finds no font (or only Courier)";

}  // namespace

namespace fs = std::filesystem;

const QString kHyphens = QString(89, QLatin1Char('-'));
const QString kTextHeader = QStringLiteral("\r\n\r\n") + kHyphens + QStringLiteral("\r\n");
const QString kTextFooter = (kHyphens + QStringLiteral("\r\n")).repeated(3);

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startUpState();
    void layoutAndKeyboardOrder();
    void layoutGrowsWithAWideFontOnly();
    void maskListAndTypedMask();
    void optionGroupsAreIndependent();
    void formatMenuKeepsOneCheckMark();
    void formatMenuShowsOneMark();
    void enterPressesTheFocusedButton();
    void formatChoiceDuringARunLeavesTheFocus();
    void progressStaysUnderTheNextBox();
    void progressComesBackOnceTheRunLetsTheWindowsCatchUp();
    void runWritesTheListAndShowsProgress();
    void cancelledDialogTouchesNothing();
    void stopOrCancelGiveAWellFormedList_data();
    void stopOrCancelGiveAWellFormedList();
    void overwriteQuestion();
    void failedRunLeavesProgressUntilTheWindowCloses();
    void oneFileByTwoNamesIsRefusedUntouched();
    void driveChangeRetriesUntilReady();
    void driveChangeGivesUpAtTheLimit();
    void folderListOpensOnDoubleClickOnly();
    void refreshReturnsToTheDrivesFolder();
    void refreshReportsAFolderThatVanished();
    void aboutShowsItsTextsEachTime();
    void quitDuringRunFinishesTheList_data();
    void quitDuringRunFinishesTheList();
    void quitWhenIdleEndsAtOnce();

  private:
    template <class T>
    T* Find(const char* name) const {
        T* widget = main_->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) qFatal("no control %s", name);
        return widget;
    }
    QPushButton* Command1() const { return Find<QPushButton>("Command1"); }
    QString Text(const char* label) const { return Find<QLabel>(label)->text(); }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    // A Start click: runs the whole listing before it returns.
    void Start() { QTest::mouseClick(Command1(), Qt::LeftButton); }
    QString ListText() const { return QString::fromStdString(ReadFile(list_)); }
    QString Folder(const std::string& rel) const {
        return QString::fromStdString((tree_->Path() / rel).make_preferred().string());
    }
    // A folder path as the lists write it, with the system's separator: "beta/Inner/".
    static QString Listed(const char* path) {
        return QString::fromLatin1(path).replace(QLatin1Char('/'),
                                                 QLatin1Char(platform::kPathSeparator));
    }
    QString Root() const { return QString::fromStdString(tree_->Str()); }
    // No progress window is left, neither known to the window nor anywhere else.
    bool ProgressGone() const {
        if (main_->StatusWindow() != nullptr) return false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("Status")) return false;
        }
        return true;
    }
    bool Idle() const {
        return Command1()->text() == QLatin1String("Start") &&
               QApplication::overrideCursor() == nullptr && ProgressGone();
    }
    void ExpectWellFormedTextList(const QString& text) const {
        QVERIFY2(text.startsWith(kTextHeader), qPrintable(text.left(200)));
        QVERIFY2(text.endsWith(kTextFooter), qPrintable(text.right(400)));
    }

    std::unique_ptr<TempDir> tree_;
    std::unique_ptr<TempDir> other_;
    fs::path list_;
    SharedState state_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<FakeDrives> drives_;
    std::unique_ptr<ui::Main> main_;
};

void MainWindowTest::init() {
    tree_ = std::make_unique<TempDir>();
    other_ = std::make_unique<TempDir>();
    MakeFile(tree_->Path() / "a.mp3", 10, LocalTime(2004, 1, 2, 8, 5, 0));
    MakeFile(tree_->Path() / "b.txt", 20, LocalTime(2004, 1, 2, 8, 5, 0));
    for (const char* sub : {"Alpha", "beta", "Gamma", ".hidden"}) {
        MakeDir(tree_->Path() / sub);
        MakeFile(tree_->Path() / sub / "inside.txt", 1, LocalTime(2004, 1, 2, 8, 5, 0));
    }
    MakeDir(tree_->Path() / "beta" / "Inner");
    // On Windows the list goes into the root of drive C:, as users often put it.
    list_ = kWindows ? tree_->Path().root_path() / "dirscribe-ui-test-list.txt"
                     : other_->Path() / "list.txt";
    fs::remove(list_);

    state_ = SharedState{};
    dialogs_ = std::make_unique<ScriptedDialogs>();
    drives_ = std::make_unique<FakeDrives>();
    drives_->drives = {{kDataDrive, tree_->Str(), tree_->Str(), "DATA"},
                       {kOtherDrive, other_->Str(), other_->Str(), "OTHER"}};
    drives_->currentFolder = tree_->Str();
    main_ = std::make_unique<ui::Main>(state_, *dialogs_, *drives_);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
}

void MainWindowTest::cleanup() {
    if (kWindows) fs::remove(list_);
    main_.reset();
    drives_.reset();
    dialogs_.reset();
    other_.reset();
    tree_.reset();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void MainWindowTest::startUpState() {
    QVERIFY(Find<QRadioButton>("DFlag(0)")->isChecked());
    QVERIFY(!Find<QRadioButton>("DFlag(1)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(0)")->isChecked());
    QVERIFY(Find<QRadioButton>("AppFlag(1)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(2)")->isChecked());
    for (int i = 0; i < 6; ++i) {
        auto* entry = main_->findChild<QAction*>(QStringLiteral("MnuOFmt(%1)").arg(i));
        QVERIFY(entry != nullptr);
        QCOMPARE(entry->isChecked(), i == 0);
    }
    QCOMPARE(state_.OutputFormat, ListFormat::Text);
    QCOMPARE(Find<QComboBox>("MaskBox")->currentText(), QStringLiteral("*.*"));
    QCOMPARE(Find<QLineEdit>("VolDescBox")->text(), QString());
    QCOMPARE(Text("CurDir"), QString());
    QCOMPARE(Command1()->text(), QStringLiteral("Start"));
    QCOMPARE(main_->focusWidget(), Command1());
    // ...and shows its focus mark before any key has been pressed.
    QStyleOptionButton focusOption;
    focusOption.initFrom(Command1());
    QVERIFY(focusOption.state & QStyle::State_HasFocus);
    QVERIFY(focusOption.state & QStyle::State_KeyboardFocusChange);

    // The load handler: the current folder and its drive's label.
    QCOMPARE(Find<ui::DriveList>("Drive1")->currentText(), QString::fromLatin1(kDataDrive));
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(Find<QLabel>("SelPath")->toolTip(), Root());
    QCOMPARE(Find<ui::FolderList>("Dir1")->Path(), Root());
    QCOMPARE(Text("VLabel"), QStringLiteral("DATA"));
    QVERIFY(drives_->closed.empty());
    QVERIFY(dialogs_->messages.isEmpty());

    QCOMPARE(main_->windowTitle(), QStringLiteral("The Quillmere Dirscribe"));
    const Qt::WindowFlags flags = main_->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(main_->minimumSize(), main_->maximumSize());
    const ui::Twips dpi = ui::Twips::Of(*main_);
    QCOMPARE(main_->centralWidget()->size(), QSize(dpi.X(7530), dpi.Y(4200)));
}

void MainWindowTest::layoutAndKeyboardOrder() {
    const ui::Twips dpi = ui::Twips::Of(*main_);
    QCOMPARE(Command1()->geometry(), dpi.Rect(6000, 1200, 1215, 320));
    QCOMPARE(Find<QWidget>("Dir1")->geometry(), dpi.Rect(240, 480, 2775, 3465));
    QCOMPARE(Find<QWidget>("VLabel")->geometry(), dpi.Rect(4320, 720, 3015, 300));
    QCOMPARE(Find<QWidget>("Frame2")->geometry(), dpi.Rect(4200, 2640, 3135, 615));
    // The frames' borders run along their edges, under the text box that reaches into Frame1.
    for (const char* name : {"Frame1", "Frame2"}) {
        auto* frame = Find<QWidget>(name);
        QCOMPARE(frame->findChild<QFrame*>()->geometry(), frame->rect());
    }
    const QWidgetList stack =
        main_->centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(stack.indexOf(Find<QWidget>("Frame1")) < stack.indexOf(Find<QWidget>("VolDescBox")));
    // Option buttons are placed in their frames.
    QCOMPARE(Find<QWidget>("DFlag(1)")->parentWidget()->objectName(), QStringLiteral("Frame1"));
    QCOMPARE(Find<QWidget>("AppFlag(2)")->geometry(), dpi.Rect(2280, 240, 735, 255));
    const QRect line = Find<QWidget>("Line1")->geometry();
    QCOMPARE(line.height(), 1);
    QVERIFY(line.left() < 0 && line.right() >= main_->centralWidget()->width());

    // The keyboard order of the focusable controls; of an option group only the selected one.
    const auto tabStops = [this] {
        QStringList names;
        QWidget* w = Command1();
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(main_.get()) &&
                w->isEnabled() && !w->objectName().isEmpty() && w->focusProxy() == nullptr)
                names << w->objectName();
            w = w->nextInFocusChain();
        } while (w != Command1());
        return names;
    };
    QCOMPARE(tabStops(), QStringList({"Command1", "Drive1", "Dir1", "MaskBox", "VolDescBox",
                                      "DFlag(0)", "AppFlag(1)", "Refresh"}));
    Click("DFlag(1)");
    Click("AppFlag(2)");
    QCOMPARE(tabStops(), QStringList({"Command1", "Drive1", "Dir1", "MaskBox", "VolDescBox",
                                      "DFlag(1)", "AppFlag(2)", "Refresh"}));
    QVERIFY(!Command1()->isDefault());
    QVERIFY(!Find<QPushButton>("Refresh")->isDefault());
}

void MainWindowTest::layoutGrowsWithAWideFontOnly() {
    if (NoProportionalFont()) QSKIP(kNoFontUnderWine);
    const QFont original = QApplication::font();
    const auto restore = qScopeGuard([&] { QApplication::setFont(original); });
    const auto twips = [](int t, double dpi) {
        return static_cast<int>(std::lround(t * dpi / 1440));
    };

    // A font as narrow as the layout's own: exactly 7530 by 4200 twips at the screen's dpi.
    QFont narrow = original;
    narrow.setPixelSize(9);
    QApplication::setFont(narrow);
    {
        ui::Main window(state_, *dialogs_, *drives_);
        const double dpiX = window.logicalDpiX();
        const double dpiY = window.logicalDpiY();
        QCOMPARE(ui::FontScale(narrow, dpiX), 1.0);
        QCOMPARE(window.centralWidget()->size(), QSize(twips(7530, dpiX), twips(4200, dpiY)));
        QCOMPARE(window.findChild<QWidget*>(QStringLiteral("Command1"))->geometry(),
                 QRect(twips(6000, dpiX), twips(1200, dpiY), twips(7215, dpiX) - twips(6000, dpiX),
                       twips(1520, dpiY) - twips(1200, dpiY)));
    }

    // A wide font: the window grows as a whole and no caption is cut.
    QFont wide = original;
    wide.setPixelSize(24);
    QApplication::setFont(wide);
    ui::Main window(state_, *dialogs_, *drives_);
    const double dpiX = window.logicalDpiX();
    QVERIFY(window.centralWidget()->width() > twips(7530, dpiX) * 2);
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "DFlag(0)",
                             "DFlag(1)", "AppFlag(0)", "AppFlag(1)", "AppFlag(2)"}) {
        auto* control = window.findChild<QWidget*>(QString::fromLatin1(name));
        QVERIFY2(control->sizeHint().width() <= control->width(), name);
        QVERIFY2(control->sizeHint().height() <= control->height() + 2, name);
    }
}

void MainWindowTest::maskListAndTypedMask() {
    auto* mask = Find<QComboBox>("MaskBox");
    QStringList entries;
    for (int i = 0; i < mask->count(); ++i) entries << mask->itemText(i);
    QCOMPARE(entries, QStringList({"*.*", "*.MP3", "*.WAV", "*.MID"}));

    // A typed mask is not added to the list, and it is what the run reads.
    mask->lineEdit()->clear();
    QTest::keyClicks(mask->lineEdit(), QStringLiteral("*.TXT"));
    QTest::keyClick(mask->lineEdit(), Qt::Key_Return);
    QCOMPARE(mask->count(), 4);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    Start();
    const QString text = ListText();
    QVERIFY(text.contains(QStringLiteral("b.txt")));
    QVERIFY(text.contains(QStringLiteral("inside.txt")));
    QVERIFY(!text.contains(QStringLiteral("a.mp3")));
}

void MainWindowTest::optionGroupsAreIndependent() {
    Click("DFlag(1)");
    QVERIFY(!Find<QRadioButton>("DFlag(0)")->isChecked());
    QVERIFY(Find<QRadioButton>("AppFlag(1)")->isChecked());
    Click("AppFlag(0)");
    QVERIFY(Find<QRadioButton>("DFlag(1)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(1)")->isChecked());
    Click("DFlag(0)");
    QVERIFY(!Find<QRadioButton>("DFlag(1)")->isChecked());
    QVERIFY(Find<QRadioButton>("AppFlag(0)")->isChecked());
    QVERIFY(!Find<QRadioButton>("AppFlag(2)")->isChecked());

    // The run reads them: folders only, into a new list.
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    Click("DFlag(1)");
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QCOMPARE(dialogs_->fileRequests[0].dialog, ListDialog::CDlg);
    const QString text = ListText();
    QVERIFY(text.contains(Listed("Gamma/")));
    QVERIFY(!text.contains(QStringLiteral("b.txt")));
}

void MainWindowTest::formatMenuKeepsOneCheckMark() {
    const auto entry = [this](int i) {
        return main_->findChild<QAction*>(QStringLiteral("MnuOFmt(%1)").arg(i));
    };
    const auto checked = [&] {
        QList<int> marks;
        for (int i = 0; i < 6; ++i) {
            if (entry(i)->isChecked()) marks << i;
        }
        return marks;
    };
    entry(5)->trigger();
    QCOMPARE(checked(), QList<int>({5}));
    QCOMPARE(state_.OutputFormat, ListFormat::Html);
    entry(0)->trigger();
    QCOMPARE(checked(), QList<int>({0}));
    QCOMPARE(state_.OutputFormat, ListFormat::Text);
    entry(0)->trigger();  // the checked entry again
    QCOMPARE(checked(), QList<int>({0}));
    QCOMPARE(state_.OutputFormat, ListFormat::Text);
    entry(3)->trigger();
    QCOMPARE(checked(), QList<int>({3}));
    QCOMPARE(state_.OutputFormat, ListFormat::Csv);
    QCOMPARE(entry(3)->text(), QStringLiteral("Comma Separated (CSV) Full Details"));
}

void MainWindowTest::formatMenuShowsOneMark() {
    auto* menu = Find<QMenu>("MnuOutFrm");
    // The entries with more than one colour in the square at the left of their row, where a
    // mark is drawn (the text begins further right).
    const auto marks = [menu] {
        menu->setActiveAction(nullptr);
        const QImage image = menu->grab().toImage();
        QList<int> marked;
        const QList<QAction*> entries = menu->actions();
        for (int i = 0; i < entries.size(); ++i) {
            const QRect row = menu->actionGeometry(entries[i]);
            QSet<QRgb> colours;
            for (int y = row.top() + 2; y < row.bottom() - 1; ++y) {
                for (int x = row.left() + 1; x < row.left() + row.height(); ++x)
                    colours.insert(image.pixel(x, y));
            }
            if (colours.size() > 1) marked << i;
        }
        return marked;
    };
    QCOMPARE(marks(), QList<int>({0}));
    main_->findChild<QAction*>(QStringLiteral("MnuOFmt(4)"))->trigger();
    QCOMPARE(marks(), QList<int>({4}));
    main_->findChild<QAction*>(QStringLiteral("MnuOFmt(4)"))->trigger();
    QCOMPARE(marks(), QList<int>({4}));
}

void MainWindowTest::enterPressesTheFocusedButton() {
    auto* refresh = Find<QPushButton>("Refresh");
    const auto key = [](QWidget* widget, Qt::Key which, Qt::KeyboardModifiers modifiers = {},
                        bool autoRepeat = false) {
        widget->setFocus();
        QKeyEvent press(QEvent::KeyPress, which, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, which, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(widget, &release);
    };
    key(refresh, Qt::Key_Return);
    QCOMPARE(drives_->closed.size(), std::size_t{1});
    key(refresh, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(drives_->closed.size(), std::size_t{2});
    // A key held down presses once; Enter with Ctrl is no press.
    key(refresh, Qt::Key_Return, {}, true);
    key(refresh, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(drives_->closed.size(), std::size_t{2});

    // Start by Enter and by Space (the dialog's Cancel ends each run at once).
    key(Command1(), Qt::Key_Return);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QTest::keyClick(Command1(), Qt::Key_Space);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    // Enter elsewhere presses nothing: neither button is the window's default.
    key(Find<QLineEdit>("VolDescBox"), Qt::Key_Return);
    key(Find<QComboBox>("MaskBox")->lineEdit(), Qt::Key_Return);
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    QCOMPARE(drives_->closed.size(), std::size_t{2});
    QVERIFY(!Command1()->isDefault() && !refresh->isDefault());
    QVERIFY(Idle());
}

void MainWindowTest::formatChoiceDuringARunLeavesTheFocus() {
    // The progress window comes back to the front after the menu, but the focus stays where
    // the user put it.
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    auto* description = Find<QLineEdit>("VolDescBox");
    QPointer<QWidget> focus;
    QPointer<QWidget> active;
    QTimer::singleShot(0, main_.get(), [&] {
        QVERIFY(main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible());
        // The user clicks into the description field of the main window.
        main_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main_.get()));
        description->setFocus();
        main_->findChild<QAction*>(QStringLiteral("MnuOFmt(2)"))->trigger();
        QCoreApplication::processEvents();
        focus = QApplication::focusWidget();
        active = QApplication::activeWindow();
    });
    Start();
    QCOMPARE(focus.data(), description);
    QCOMPARE(active.data(), main_.get());
    QCOMPARE(state_.OutputFormat, ListFormat::CsvNames);
    QVERIFY(Idle());
}

// The windows raised (restacked) while it watches them, in order.
struct RaiseOrder : QObject {
    QList<QObject*> raised;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ZOrderChange) raised << watched;
        return false;
    }
};

void MainWindowTest::progressStaysUnderTheNextBox() {
    // The main window activated just after a box was answered brings the progress window back
    // over it; but when the run has opened its next box by then (a Retry that fails again), the
    // activation is the old box's leaving, and the new box ends up in front of both.
    ui::WindowFrontEnd& frontEnd = main_->RunFrontEnd();
    frontEnd.ShowProgress();
    ui::Status* status = main_->StatusWindow();
    QVERIFY(status != nullptr && status->isVisible());
    RaiseOrder order;
    status->installEventFilter(&order);
    for (const bool boxOpen : {false, true}) {
        QMessageBox next(QMessageBox::NoIcon, QStringLiteral("next"), QStringLiteral("next"));
        next.setWindowModality(Qt::ApplicationModal);
        next.installEventFilter(&order);
        frontEnd.BringProgressToFront();
        if (boxOpen) next.show();
        order.raised.clear();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(main_.get(), &activate);
        QCOMPARE(order.raised,
                 boxOpen ? QList<QObject*>({status, &next}) : QList<QObject*>({status}));
    }
    status->removeEventFilter(&order);
    frontEnd.UnloadProgress();
}

void MainWindowTest::progressComesBackOnceTheRunLetsTheWindowsCatchUp() {
    // After a box the run may keep the event loop from turning for a while (a large folder
    // read first). The main window's activation, delivered only then, still brings the
    // progress window back, and so does the end of the half second after it.
    ui::WindowFrontEnd& frontEnd = main_->RunFrontEnd();
    frontEnd.ShowProgress();
    ui::Status* status = main_->StatusWindow();
    RaiseOrder order;
    status->installEventFilter(&order);
    frontEnd.BringProgressToFront();
    QThread::msleep(700);
    QCoreApplication::processEvents();
    order.raised.clear();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(main_.get(), &activate);
    QCOMPARE(order.raised, QList<QObject*>({status}));
    QTRY_COMPARE(order.raised.size(), 2);
    status->removeEventFilter(&order);
    frontEnd.UnloadProgress();
}

void MainWindowTest::runWritesTheListAndShowsProgress() {
    const QString name = QString::fromStdString(list_.string());
    dialogs_->fileAnswers = {name};
    struct Seen {
        bool fired = false, visible = false, busy = false;
        QString caption, title, stat1, stat2;
        QPoint offset;
        Qt::WindowFlags flags;
        QWidget* parent = nullptr;
    } seen;
    QTimer::singleShot(0, main_.get(), [&] {
        seen.fired = true;
        ui::Status* status = main_->StatusWindow();
        if (status == nullptr) return;
        seen.visible = status->isVisible();
        seen.busy = QApplication::overrideCursor() != nullptr &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.caption = Command1()->text();
        seen.title = status->windowTitle();
        seen.stat1 = status->Stat1()->text();
        seen.stat2 = status->Stat2()->text();
        seen.offset = status->pos() - main_->frameGeometry().topLeft();
        seen.flags = status->windowFlags();
        seen.parent = status->parentWidget();
    });
    Start();

    QVERIFY(seen.fired);
    QVERIFY(seen.visible);
    QVERIFY(seen.busy);
    QCOMPARE(seen.caption, QStringLiteral("Stop"));
    QCOMPARE(seen.title, QStringLiteral("Dirscribe Progress"));
    QCOMPARE(seen.stat1, QStringLiteral("Reading Directory Information"));
    QCOMPARE(seen.stat2, QStringLiteral("Please Wait..."));
    const ui::Twips dpi = ui::Twips::Of(*main_);
    QCOMPARE(seen.offset, QPoint(dpi.X(800), dpi.Y(1000)));
    QCOMPARE(seen.flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(!(seen.flags & Qt::WindowCloseButtonHint));
    QCOMPARE(seen.parent, nullptr);

    QVERIFY(Idle());
    const auto& request = dialogs_->fileRequests.at(0);
    QCOMPARE(request.dialog, ListDialog::Cdlg2);  // Append is the mode at start
    QCOMPARE(request.title, QStringLiteral("Save List As (Append File)"));
    QCOMPARE(request.filter, QStringLiteral("Text Files (*.txt)|*.txt"));
    QCOMPARE(request.fileName, QString());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    QVERIFY(text.contains(QStringLiteral("Volume:    DATA\r\n")));
    for (const char* folder : {"Alpha/\r\n", "beta/\r\n", "beta/Inner/\r\n", "Gamma/\r\n"})
        QVERIFY2(text.contains(Listed(folder)), folder);
    QVERIFY(!text.contains(QStringLiteral(".hidden")));
    QCOMPARE(drives_->opened, std::vector<std::string>({"tray-of:" + tree_->Str()}));
    QVERIFY(Text("CurDir").startsWith(Root()));
    // The labels show folders a few dozen times a second; the last one walked stays.
    QVERIFY2(Text("CurDir").endsWith(QStringLiteral("Gamma")), qPrintable(Text("CurDir")));

    // The next run offers the chosen name again and appends its own block, here in HTML.
    main_->findChild<QAction*>(QStringLiteral("MnuOFmt(4)"))->trigger();
    dialogs_->fileAnswers = {name};
    Start();
    QCOMPARE(dialogs_->fileRequests.at(1).fileName, name);
    QCOMPARE(dialogs_->fileRequests.at(1).filter, QStringLiteral("HTML Files (*.htm)|*.htm"));
    const QString both = ListText();
    QVERIFY(both.startsWith(text));
    QVERIFY(both.endsWith(QStringLiteral("</table></center></body></html>\r\n")));
    QVERIFY(Idle());
}

void MainWindowTest::cancelledDialogTouchesNothing() {
    Click("AppFlag(2)");  // Both: the new-list dialog first, then the append dialog
    const QString first = QString::fromStdString((other_->Path() / "new.txt").string());
    dialogs_->fileAnswers = {first, std::nullopt};
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{2});
    QCOMPARE(dialogs_->fileRequests[0].title, QStringLiteral("Save List As (New File)"));
    QCOMPARE(dialogs_->fileRequests[1].title, QStringLiteral("Save List As (Append File)"));
    QVERIFY(!fs::exists(other_->Path() / "new.txt"));
    QVERIFY(Idle());
    QVERIFY(drives_->opened.empty());

    // Cancel in the first dialog ends the run before the second; each dialog keeps its name.
    dialogs_->fileAnswers = {std::nullopt};
    Start();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{3});
    QCOMPARE(dialogs_->fileRequests[2].fileName, first);
    QVERIFY(dialogs_->messages.isEmpty());
    QVERIFY(Idle());
}

void MainWindowTest::stopOrCancelGiveAWellFormedList_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop") << QStringLiteral("Stop");
    QTest::newRow("Cancel") << QStringLiteral("Cancel");
}

void MainWindowTest::stopOrCancelGiveAWellFormedList() {
    QFETCH(QString, how);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    bool stillRunning = false;
    QTimer::singleShot(0, main_.get(), [&] {
        if (how == QLatin1String("Stop")) {
            QTest::mouseClick(Command1(), Qt::LeftButton);
            QTest::mouseClick(Command1(), Qt::LeftButton);  // a second Stop: the same
        } else if (ui::Status* status = main_->StatusWindow()) {
            QTest::mouseClick(status->Cancel(), Qt::LeftButton);
            QTest::mouseClick(status->Cancel(), Qt::LeftButton);
        }
        stillRunning = state_.StopRequested && Command1()->text() == QLatin1String("Stop") &&
                       main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible();
    });
    Start();

    QVERIFY(stillRunning);
    QVERIFY(!state_.StopRequested);
    QVERIFY(Idle());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    // The stop is noticed after the first sub-folder.
    QVERIFY(text.contains(Listed("Alpha/\r\n")));
    QVERIFY(!text.contains(Listed("Gamma/\r\n")));
    QCOMPARE(drives_->opened.size(), std::size_t{1});
}

void MainWindowTest::overwriteQuestion() {
    Click("AppFlag(0)");
    WriteFile(list_, "keep me");
    const QString name = QString::fromStdString(list_.string());
    dialogs_->fileAnswers = {name};
    dialogs_->yesNoAnswers = {false};
    Start();
    QCOMPARE(dialogs_->questions,
             QStringList({"New List file exists! Overwrite, losing existing content?"}));
    QCOMPARE(ListText(), QStringLiteral("keep me"));
    QVERIFY(Idle());
    QVERIFY(drives_->opened.empty());

    dialogs_->fileAnswers = {name};
    dialogs_->yesNoAnswers = {true};
    Start();
    ExpectWellFormedTextList(ListText());
    QVERIFY(Idle());
}

void MainWindowTest::failedRunLeavesProgressUntilTheWindowCloses() {
    // A list in a folder that is not there: it cannot be opened, and the run gives up.
    Click("AppFlag(0)");
    dialogs_->fileAnswers = {
        QString::fromStdString((list_.parent_path() / "no" / "l.txt").string())};
    Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].startsWith(QStringLiteral("Error:")));
    QCOMPARE(Command1()->text(), QStringLiteral("Start"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(main_->StatusWindow() != nullptr && main_->StatusWindow()->isVisible());

    // Nothing else would ever remove it: it goes with the main window.
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    QVERIFY(main_->close());
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(ProgressGone());
}

void MainWindowTest::oneFileByTwoNamesIsRefusedUntouched() {
    Click("AppFlag(2)");
    WriteFile(list_, "catalogue");
    const auto other = list_.parent_path() / "." / list_.filename();
    dialogs_->fileAnswers = {QString::fromStdString(list_.string()),
                             QString::fromStdString(other.string())};
    Start();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].endsWith(QStringLiteral("' are the same file")));
    QCOMPARE(ListText(), QStringLiteral("catalogue"));
    QVERIFY(Idle());
}

void MainWindowTest::driveChangeRetriesUntilReady() {
    drives_->drives[1].openFailures = 3;
    drives_->drives[1].labelFailures = 2;
    Find<ui::DriveList>("Drive1")->setCurrentIndex(1);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));
    QCOMPARE(Text("VLabel"), QStringLiteral("OTHER"));
    QCOMPARE(drives_->closed, std::vector<std::string>(5, std::string("tray:") + kOtherDrive));
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowTest::driveChangeGivesUpAtTheLimit() {
    auto* drive1 = Find<ui::DriveList>("Drive1");
    drives_->drives[1].openFailures = -1;
    drive1->setCurrentIndex(1);
    QCOMPARE(drives_->closed.size(), std::size_t{ui::kChangeRetryLimit});
    QCOMPARE(dialogs_->messages,
             QStringList({QStringLiteral("Error:Disk not ready: ") + kOtherDrive}));
    QCOMPARE(drive1->currentText(), QString::fromLatin1(kOtherDrive));
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(Text("VLabel"), QStringLiteral("DATA"));

    // A new change counts from 0 again: 999 failures are still tolerated.
    drive1->setCurrentIndex(0);
    drives_->drives[1].openFailures = ui::kChangeRetryLimit - 1;
    drive1->setCurrentIndex(1);
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));

    // Both steps add to one count: the folder opens, the label is given up on.
    drive1->setCurrentIndex(0);
    drives_->drives[1].openFailures = 600;
    drives_->drives[1].labelFailures = 400;
    drive1->setCurrentIndex(1);
    QCOMPARE(dialogs_->messages.size(), 2);
    QCOMPARE(dialogs_->messages[1], QStringLiteral("Error:Label unreadable: ") + kOtherDrive);
    QCOMPARE(Text("SelPath"), QString::fromStdString(other_->Str()));
    QCOMPARE(Text("VLabel"), QStringLiteral("DATA"));
}

void MainWindowTest::folderListOpensOnDoubleClickOnly() {
    auto* dir1 = Find<ui::FolderList>("Dir1");
    const auto item = [dir1](const char* name) {
        const auto found =
            dir1->findItems(QString::fromLatin1(name), Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    };
    QVERIFY(item(".hidden") == nullptr);
    QTreeWidgetItem* open = dir1->topLevelItem(0);
    QCOMPARE(open->text(0), Root());
    QStringList subs;
    for (int i = 0; i < open->childCount(); ++i) subs << open->child(i)->text(0);
    QCOMPARE(subs, QStringList({"Alpha", "beta", "Gamma"}));

    const auto centre = [dir1](QTreeWidgetItem* it) { return dir1->visualItemRect(it).center(); };
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, centre(item("beta")));
    QCOMPARE(dir1->currentItem(), item("beta"));
    QCOMPARE(Text("SelPath"), Root());

    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, centre(item("beta")));
    QCOMPARE(Text("SelPath"), Folder("beta"));
    QCOMPARE(Find<QLabel>("SelPath")->toolTip(), Folder("beta"));
    QCOMPARE(dir1->Path(), Folder("beta"));
    // The path from the top folder down, then the open folder's sub-folders.
    QTreeWidgetItem* beta = item("beta");
    QVERIFY(beta != nullptr && beta->parent() == dir1->topLevelItem(0));
    QCOMPARE(beta->childCount(), 1);
    QCOMPARE(beta->child(0)->text(0), QStringLiteral("Inner"));
    QVERIFY(item("Alpha") == nullptr);

    // Enter opens the highlighted folder; the top line goes back up.
    dir1->setCurrentItem(item("Inner"));
    QTest::keyClick(dir1, Qt::Key_Return);
    QCOMPARE(Text("SelPath"), Folder("beta/Inner"));
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, centre(dir1->topLevelItem(0)));
    QCOMPARE(Text("SelPath"), Folder("beta/Inner"));
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, centre(dir1->topLevelItem(0)));
    QCOMPARE(Text("SelPath"), Root());
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowTest::refreshReturnsToTheDrivesFolder() {
    auto* dir1 = Find<ui::FolderList>("Dir1");
    dir1->SetPath(Folder("Alpha"));
    QCOMPARE(Text("SelPath"), Folder("Alpha"));
    MakeDir(tree_->Path() / "Delta");
    Click("Refresh");
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(dir1->Path(), Root());
    QCOMPARE(dir1->findItems(QStringLiteral("Delta"), Qt::MatchRecursive).size(), 1);
    QCOMPARE(drives_->closed, std::vector<std::string>({"tray-of:" + tree_->Str()}));
    QVERIFY(dialogs_->messages.isEmpty());
}

void MainWindowTest::refreshReportsAFolderThatVanished() {
    // The drive opens in Alpha, which goes away between the drive change and the re-reading.
    drives_->drives[0].current = Folder("Alpha").toStdString();
    drives_->onCloseCDDoor = [this] { fs::remove_all(tree_->Path() / "Alpha"); };
    Click("Refresh");
    QCOMPARE(dialogs_->messages, QStringList({"Error:Path not found: '" + Folder("Alpha") + "'"}));
    QVERIFY(main_->isVisible());
    QCOMPARE(Text("SelPath"), Folder("Alpha"));
    // The program goes on: the next Refresh works again.
    drives_->drives[0].current = tree_->Str();
    drives_->onCloseCDDoor = nullptr;
    Click("Refresh");
    QCOMPARE(Text("SelPath"), Root());
    QCOMPARE(dialogs_->messages.size(), 1);
}

void MainWindowTest::aboutShowsItsTextsEachTime() {
    const QList<QKeyCombination> closers = {QKeyCombination(Qt::Key_Return),
                                            QKeyCombination(Qt::Key_Escape),
                                            QKeyCombination(Qt::AltModifier, Qt::Key_C)};
    for (const QKeyCombination key : closers) {
        QStringList texts;
        bool forced = false;
        QPoint centreOffset;
        WhenModal([&](QWidget* modal) {
            texts << modal->objectName() << modal->windowTitle();
            for (const char* name : {"lblProductName", "AppDesc", "lblVersion", "lblPlatform",
                                     "lblCompanyProduct", "lblWarning"})
                texts << modal->findChild<QLabel*>(QString::fromLatin1(name))->text();
            auto* close = modal->findChild<QPushButton*>(QStringLiteral("Command1"));
            texts << close->text() << (close->isDefault() ? "default" : "not default");
            centreOffset = modal->frameGeometry().center() - main_->frameGeometry().center();
            // Alt+C is a shortcut of the active window: on a busy machine the window may not be
            // active yet when it appears. One that never is stays for the timer below to close.
            if (!QTest::qWaitForWindowActive(modal)) qWarning("the About window is not active");
            // Should the key not close it, the test must not hang.
            QTimer::singleShot(2000, modal, [modal, &forced] {
                forced = true;
                modal->close();
            });
            QWidget* target = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
        });
        main_->findChild<QAction*>(QStringLiteral("MnuAbout"))->trigger();
        // A blank title: an empty one would show the program's name.
        QCOMPARE(texts, QStringList({"frmSplash", " ", "Dirscribe",
                                     "Make File and Directory lists is several file formats",
                                     "Version " + QString::fromLatin1(dirscribe::kVersionString),
                                     "Windows 9x, NT, 2000, XP, Vista", "Quillmere Software",
                                     "dirscribe@quillmere.example    www.quillmere.example",
                                     "&Close", "default"}));
        QVERIFY2(!forced, qPrintable(QKeySequence(key).toString()));
        // Without a proportional font the window is wider than the offscreen screen, which
        // moves it back onto the screen.
        if (!NoProportionalFont())
            QVERIFY(qAbs(centreOffset.x()) <= 1 && qAbs(centreOffset.y()) <= 1);
        QVERIFY(main_->findChildren<ui::frmSplash*>().isEmpty());
    }
    if (NoProportionalFont()) QSKIP(kNoFontUnderWine);
}

void MainWindowTest::quitDuringRunFinishesTheList_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Quit") << true;
    QTest::newRow("close box") << false;
}

void MainWindowTest::quitDuringRunFinishesTheList() {
    QFETCH(bool, byMenu);
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    dialogs_->fileAnswers = {QString::fromStdString(list_.string())};
    bool stayedDuringRun = false;
    QTimer::singleShot(0, main_.get(), [&] {
        if (byMenu)
            main_->findChild<QAction*>(QStringLiteral("MnuQuit"))->trigger();
        else
            main_->close();
        stayedDuringRun = main_->isVisible() && unloaded.isEmpty() && state_.StopRequested;
    });
    Start();
    QVERIFY(stayedDuringRun);
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!main_->isVisible());
    QVERIFY(ProgressGone());
    const QString text = ListText();
    ExpectWellFormedTextList(text);
    QVERIFY(!text.contains(Listed("Gamma/\r\n")));
}

void MainWindowTest::quitWhenIdleEndsAtOnce() {
    QSignalSpy unloaded(main_.get(), &ui::Main::Unloaded);
    main_->findChild<QAction*>(QStringLiteral("MnuQuit"))->trigger();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!main_->isVisible());
    QVERIFY(dialogs_->messages.isEmpty() && dialogs_->questions.isEmpty());
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::MainWindowTest)
#include "MainWindowTest.moc"
