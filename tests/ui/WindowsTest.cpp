// SPDX-License-Identifier: MIT
// Tests of the progress window, the real dialogs and boxes, and the folder list on its own.
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "UiFakes.h"
#include "base/Failure.h"
#include "engine/SharedState.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "support/TempTree.h"
#include "ui/Dialogs.h"
#include "ui/DriveList.h"
#include "ui/DriveSource.h"
#include "ui/FolderList.h"
#include "ui/SpaceWrapLabel.h"
#include "ui/StartGuard.h"
#include "ui/Status.h"
#include "ui/Twips.h"
#include "ui/WholeFrame.h"

namespace dirscribe::test {

namespace {

constexpr bool kWindows = platform::kPathSeparator == '\\';

// The application's style with the button order of another desktop.
class ButtonLayoutStyle : public QProxyStyle {
  public:
    ButtonLayoutStyle(const QString& base, QDialogButtonBox::ButtonLayout layout)
        : QProxyStyle(QStyleFactory::create(base)), layout_(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonLayout) return layout_;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

  private:
    QDialogButtonBox::ButtonLayout layout_;
};

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void progressWindowPlacesItselfAndNeverGrows();
    void statusLinesBreakAtSpacesOnly_data();
    void statusLinesBreakAtSpacesOnly();
    void driveListShowsLongEntriesWhole();
    void cancelOnlyRaisesTheStopRequest();
    void messageBoxesHaveNoIconAndTheProgramsTitle();
    void fileDialogTakesANewNameAndOffersTheLastOne();
    void fileDialogCancelGivesNothing();
    void nameFiltersFromFilterTexts();
    void folderListRaisesChangeOnlyWhenThePathChanges();
    void refreshClosesTheTrayARunOpenedAfterTheDiscWentAway();
    void bordersAreWholeAtAnyScale_data();
    void bordersAreWholeAtAnyScale();
    void startFailureSaysWhyInOneLine_data();
    void startFailureSaysWhyInOneLine();
    void missingPluginIsNamedBeforeQtStarts();
    void programWithoutADisplayEndsWithOneLine();
};

void WindowsTest::progressWindowPlacesItselfAndNeverGrows() {
    SharedState state;
    // Near the bottom right of any screen: the window goes partly off screen all the same.
    const QPoint mainTopLeft(30000, 20000);
    ui::Status status(state, mainTopLeft);
    const ui::Twips dpi = ui::Twips::Of(status);
    QCOMPARE(status.pos(), mainTopLeft + QPoint(dpi.X(800), dpi.Y(1000)));
    QVERIFY(!status.isVisible());  // created hidden; only the run shows it
    QCOMPARE(status.size(), QSize(dpi.X(6045), dpi.Y(2445)));
    QCOMPARE(status.windowTitle(), QStringLiteral("Dirscribe Progress"));
    QCOMPARE(status.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(!(status.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(status.parentWidget() == nullptr);

    const QRect stat2Box = dpi.Rect(180, 840, 5655, 615);
    QCOMPARE(status.Stat2()->geometry(), stat2Box);
    QCOMPARE(status.Error()->geometry(), dpi.Rect(180, 1560, 5655, 495));
    QCOMPARE(status.Cancel()->geometry(), dpi.Rect(2400, 2040, 1155, 315));
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    status.SetStat2(QStringLiteral("Reading: ") + QString(400, QLatin1Char('x')) +
                    QStringLiteral(" and some words after it ").repeated(20));
    status.SetError(QStringLiteral("<b>Last Error: </b> & not markup"));
    QCoreApplication::processEvents();
    QCOMPARE(status.Stat2()->geometry(), stat2Box);
    QVERIFY(status.Stat2()->wordWrap());
    // Only the lines that fit whole into the box are drawn.
    auto* stat2 = qobject_cast<ui::SpaceWrapLabel*>(status.Stat2());
    QVERIFY(stat2 != nullptr);
    const int wholeLines = stat2->contentsRect().height() / stat2->fontMetrics().lineSpacing();
    QCOMPARE(stat2->ShownLines().size(), wholeLines);
    QVERIFY(wholeLines >= 2);
    QCOMPARE(stat2->ShownLines().first(), QStringLiteral("Reading:"));
    QVERIFY(stat2->ShownLines().at(1).startsWith(QStringLiteral("xxx")));
    QCOMPARE(status.Error()->textFormat(), Qt::PlainText);
    QCOMPARE(status.size(), QSize(dpi.X(6045), dpi.Y(2445)));

    // The window takes no close request of its own.
    QVERIFY(!status.close());
    QVERIFY(status.isVisible());
}

void WindowsTest::statusLinesBreakAtSpacesOnly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("widthOf");  // the box is as wide as this text
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("words") << "one two three four"
                           << "one two three fo" << 9 << QStringList({"one two three", "four"});
    // A path breaks at its spaces, never at a separator.
    QTest::newRow("path") << "Reading: /music/Disc 01/Set/Live at/Hall"
                          << "Reading: /music/Disc 01/Se" << 9
                          << QStringList({"Reading: /music/Disc", "01/Set/Live at/Hall"});
    QTest::newRow("backslashes") << "Reading: C:\\Music\\Disc 01\\Set"
                                 << "Reading: C:\\Mus" << 9
                                 << QStringList({"Reading:", "C:\\Music\\Disc", "01\\Set"});
    // A stretch without spaces wider than the box stays one line (cut when drawn).
    QTest::newRow("long stretch") << "a /very/long/stretch b c"
                                  << "a /very" << 9
                                  << QStringList({"a", "/very/long/stretch", "b c"});
    QTest::newRow("spaces at a break") << "one   two"
                                       << "one " << 9 << QStringList({"one", "two"});
    QTest::newRow("whole lines only") << "one two three four"
                                      << "one" << 2 << QStringList({"one", "two"});
    QTest::newRow("empty") << ""
                           << "x" << 3 << QStringList();
    // The walker's reports hold CR LF: a new line there, then wrapping at spaces as before.
    QTest::newRow("line break") << "Last Error: Permission denied\r\nError reading 'a b' Skipping."
                                << "Last Error: Permission denied and more" << 9
                                << QStringList({"Last Error: Permission denied",
                                                "Error reading 'a b' Skipping."});
    QTest::newRow("break then wrap")
        << "one two\r\nthree four five"
        << "three four" << 9 << QStringList({"one two", "three four", "five"});
    QTest::newRow("empty line") << "one\r\n\r\ntwo"
                                << "one two three" << 9 << QStringList({"one", "", "two"});
    QTest::newRow("lines cut across a break") << "one two\r\nthree"
                                              << "one" << 2 << QStringList({"one", "two"});
}

void WindowsTest::statusLinesBreakAtSpacesOnly() {
    QFETCH(QString, text);
    QFETCH(QString, widthOf);
    QFETCH(int, maxLines);
    QFETCH(QStringList, lines);
    const QFontMetrics metrics(QApplication::font());
    QCOMPARE(ui::WrapAtSpaces(text, metrics, metrics.horizontalAdvance(widthOf), maxLines), lines);
}

void WindowsTest::driveListShowsLongEntriesWhole() {
    FakeDrives drives;
    const std::string longText = "/media/someone/A Rather Long Volume Name [A RATHER LONG LABEL]";
    drives.drives = {{"/ [ROOT]", "/", "/", "ROOT"}, {longText, "/m", "/m", "LABEL"}};
    ui::DriveList list(drives);
    list.resize(120, list.sizeHint().height());
    list.Load("/m");
    list.setCurrentIndex(1);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QCOMPARE(list.DriveText(), longText);  // the entry itself is never shortened
    list.showPopup();
    QAbstractItemView* view = list.view();
    QVERIFY(view->isVisible());
    QVERIFY2(view->viewport()->width() >= view->sizeHintForColumn(0),
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(view->viewport()->width())
                            .arg(view->sizeHintForColumn(0))));
    list.hidePopup();
}

void WindowsTest::cancelOnlyRaisesTheStopRequest() {
    SharedState state;
    ui::Status status(state, QPoint(0, 0));
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    status.SetStat1(QStringLiteral("one"));
    QTest::mouseClick(status.Cancel(), Qt::LeftButton);
    QVERIFY(state.StopRequested);
    QTest::mouseClick(status.Cancel(), Qt::LeftButton);
    QVERIFY(state.StopRequested);
    QVERIFY(status.isVisible());
    QVERIFY(status.Cancel()->isEnabled());
    QCOMPARE(status.Stat1()->text(), QStringLiteral("one"));

    // Escape does nothing; Enter and Space press the button only while it has the focus.
    state.StopRequested = false;
    QTest::keyClick(&status, Qt::Key_Escape);
    QVERIFY(!state.StopRequested);
    QVERIFY(!status.Cancel()->isDefault());
    QTest::keyClick(status.Cancel(), Qt::Key_Return);
    QVERIFY(state.StopRequested);
    state.StopRequested = false;
    QTest::keyClick(status.Cancel(), Qt::Key_Space);
    QVERIFY(state.StopRequested);
}

void WindowsTest::messageBoxesHaveNoIconAndTheProgramsTitle() {
    ui::StandardDialogs dialogs;
    struct Box {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Information;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    // Reads the box that is up, then presses `answer`.
    const auto answer = [](Box& box, QMessageBox::StandardButton press) {
        WhenModal([&box, press](QWidget* modal) {
            auto* mb = qobject_cast<QMessageBox*>(modal);
            if (mb == nullptr) return modal->close(), void();
            box.title = mb->windowTitle();
            box.text = mb->text();
            box.icon = mb->icon();
            for (QAbstractButton* b : mb->buttons()) box.buttons << mb->standardButton(b);
            std::sort(box.buttons.begin(), box.buttons.end());
            if (mb->defaultButton() != nullptr)
                box.defaultButton = mb->standardButton(mb->defaultButton());
            mb->button(press)->click();
        });
    };

    Box yesNo;
    answer(yesNo, QMessageBox::No);
    QVERIFY(!dialogs.AskYesNo(nullptr, QStringLiteral("Overwrite?")));
    QCOMPARE(yesNo.title, QStringLiteral("Dirscribe"));
    QCOMPARE(yesNo.text, QStringLiteral("Overwrite?"));
    QCOMPARE(yesNo.icon, QMessageBox::NoIcon);
    QCOMPARE(yesNo.buttons,
             QList<QMessageBox::StandardButton>({QMessageBox::Yes, QMessageBox::No}));
    answer(yesNo, QMessageBox::Yes);
    QVERIFY(dialogs.AskYesNo(nullptr, QStringLiteral("Overwrite?")));

    Box ok;
    answer(ok, QMessageBox::Ok);
    dialogs.ShowMessage(nullptr, QStringLiteral("Error:Disk not ready"));
    QCOMPARE(ok.text, QStringLiteral("Error:Disk not ready"));
    QCOMPARE(ok.icon, QMessageBox::NoIcon);
    QCOMPARE(ok.buttons, QList<QMessageBox::StandardButton>({QMessageBox::Ok}));

    // The walker's box reads Abort, Retry, Ignore from left to right whatever order the
    // desktop's button layout has, with Abort the default and no way out but its buttons.
    const QString style = QApplication::style()->name();
    const auto restore = qScopeGuard([&] { QApplication::setStyle(style); });
    for (const auto layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::KdeLayout,
                              QDialogButtonBox::GnomeLayout, QDialogButtonBox::MacLayout}) {
        QApplication::setStyle(new ButtonLayoutStyle(style, layout));
        QStringList order;
        QString title, boxText, defaultButton, focus;
        bool closable = true;
        WhenModal([&](QWidget* modal) {
            auto* mb = qobject_cast<QMessageBox*>(modal);
            if (mb == nullptr) return modal->close(), void();
            title = mb->windowTitle();
            boxText = mb->text();
            QList<QAbstractButton*> buttons = mb->buttons();
            std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QAbstractButton* b : buttons) order << b->text();
            if (mb->defaultButton() != nullptr) defaultButton = mb->defaultButton()->text();
            if (mb->focusWidget() != nullptr) focus = mb->focusWidget()->objectName();
            QTest::keyClick(mb, Qt::Key_Escape);
            closable = !mb->isVisible() || mb->close() ||
                       mb->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            if (auto* retry = mb->findChild<QPushButton*>(QStringLiteral("Retry")))
                retry->click();
            else
                mb->done(0);
        });
        QCOMPARE(dialogs.AskAbortRetryIgnore(nullptr, QStringLiteral("Line one\r\nLine two")),
                 AbortRetryIgnore::Retry);
        QCOMPARE(order, QStringList({"&Abort", "&Retry", "&Ignore"}));
        QCOMPARE(defaultButton, QStringLiteral("&Abort"));
        QCOMPARE(focus, QStringLiteral("Abort"));
        QVERIFY(!closable);
        QCOMPARE(title, QStringLiteral("Dirscribe"));
        QCOMPARE(boxText, QStringLiteral("Line one\nLine two"));
    }
    // The keys of the buttons' letters press them.
    for (const auto& [key, expected] : {std::pair(Qt::Key_I, AbortRetryIgnore::Ignore),
                                        std::pair(Qt::Key_A, AbortRetryIgnore::Abort),
                                        std::pair(Qt::Key_R, AbortRetryIgnore::Retry)}) {
        WhenModal([key = key](QWidget* modal) { QTest::keyClick(modal, key); });
        QCOMPARE(dialogs.AskAbortRetryIgnore(nullptr, QStringLiteral("x")), expected);
    }
}

void WindowsTest::fileDialogTakesANewNameAndOffersTheLastOne() {
    TempDir dir;
    WriteFile(dir / "old.txt", "existing");
    ui::StandardDialogs dialogs;
    struct Seen {
        QString title, objectName, suffix, offered;
        QStringList filters;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
        QFileDialog::FileMode mode = QFileDialog::Directory;
    };
    const auto typeName = [](Seen& seen, const QString& name) {
        WhenModal([&seen, name](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) return modal->close(), void();
            seen.title = dialog->windowTitle();
            seen.objectName = dialog->objectName();
            seen.suffix = dialog->defaultSuffix();
            seen.filters = dialog->nameFilters();
            seen.accept = dialog->acceptMode();
            seen.mode = dialog->fileMode();
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (edit == nullptr) return dialog->reject(), void();
            seen.offered = edit->text();
            edit->setText(name);
            // Should the dialog ask anything (an overwrite warning), the answer never comes and
            // the dialog is closed by force, failing the test.
            QTimer::singleShot(3000, dialog, [dialog] { dialog->reject(); });
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };

    // A name that does not exist yet, without an extension: taken as typed.
    Seen first;
    typeName(first, QStringLiteral("fresh"));
    const auto chosen = dialogs.AskFileName(
        nullptr,
        {ListDialog::Cdlg2, QStringLiteral("Save List As (Append File)"),
         QStringLiteral("Text Files (*.txt)|*.txt"), QString::fromStdString(dir.Str() + "/")});
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen).fileName(), QStringLiteral("fresh"));
    QCOMPARE(first.title, QStringLiteral("Save List As (Append File)"));
    QCOMPARE(first.objectName, QStringLiteral("Cdlg2"));
    QCOMPARE(first.suffix, QString());
    QCOMPARE(first.filters, QStringList({"Text Files (*.txt)"}));
    QCOMPARE(first.accept, QFileDialog::AcceptOpen);
    QCOMPARE(first.mode, QFileDialog::AnyFile);

    // An existing file: no warning; the name given is offered.
    Seen second;
    typeName(second, QStringLiteral("old.txt"));
    const QString offered = QString::fromStdString((dir / "old.txt").string());
    const auto again =
        dialogs.AskFileName(nullptr, {ListDialog::CDlg, QStringLiteral("Save List As (New File)"),
                                      QStringLiteral("HTML Files (*.htm)|*.htm"), offered});
    QVERIFY(again.has_value());
    QCOMPARE(QFileInfo(*again).canonicalFilePath(), QFileInfo(offered).canonicalFilePath());
    QCOMPARE(second.offered, QStringLiteral("old.txt"));
    QCOMPARE(second.objectName, QStringLiteral("CDlg"));
    QCOMPARE(ReadFile(dir / "old.txt"), std::string("existing"));
}

void WindowsTest::fileDialogCancelGivesNothing() {
    ui::StandardDialogs dialogs;
    WhenModal([](QWidget* modal) { modal->close(); });
    QVERIFY(!dialogs
                 .AskFileName(nullptr, {ListDialog::CDlg,
                                        QStringLiteral("t"),
                                        QStringLiteral("Text Files (*.txt)|*.txt"),
                                        {}})
                 .has_value());
}

void WindowsTest::nameFiltersFromFilterTexts() {
    QCOMPARE(ui::NameFilters(QStringLiteral("Text Files (*.txt)|*.txt")),
             QStringList({"Text Files (*.txt)"}));
    QCOMPARE(ui::NameFilters(QStringLiteral("Lists|*.lst|All (*.*)|*.*")),
             QStringList({"Lists (*.lst)", "All (*.*)"}));
    QCOMPARE(ui::NameFilters(QString()), QStringList());
}

void WindowsTest::folderListRaisesChangeOnlyWhenThePathChanges() {
    TempDir dir;
    for (const char* sub : {"b", "A", "c", ".dot"}) MakeDir(dir / sub);
    ui::FolderList list;
    QSignalSpy changed(&list, &ui::FolderList::Changed);
    const QString root = QString::fromStdString(dir.Str());
    list.SetPath(root, root);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.topLevelItemCount(), 1);
    QTreeWidgetItem* top = list.topLevelItem(0);
    QStringList names;
    for (int i = 0; i < top->childCount(); ++i) names << top->child(i)->text(0);
    QCOMPARE(names, QStringList({"A", "b", "c"}));

    list.SetPath(root);  // the same path: no change
    QCOMPARE(changed.count(), 1);
    MakeDir(dir / "d");
    list.Refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.topLevelItem(0)->childCount(), 4);

    // A folder that cannot be read leaves the list as it was.
    try {
        list.SetPath(root + QStringLiteral("/missing"));
        QFAIL("a missing folder opened");
    } catch (const Failure& failure) {
        QCOMPARE(failure.Number(), FailureNo::PathNotFound);
    }
    QCOMPARE(list.Path(), root);
    QCOMPARE(changed.count(), 1);

    // A folder outside the top folder is shown below the top of its own volume.
    list.SetPath(root + QStringLiteral("/A"), root + QStringLiteral("/c"));
    QCOMPARE(changed.count(), 2);
    QVERIFY(root.startsWith(list.Root()));
    std::filesystem::remove_all(dir / "A");
    QVERIFY_THROWS_EXCEPTION(Failure, list.Refresh());

    // An opened folder shows the list from its top line, wherever the last one was scrolled.
    for (int i = 0; i < 60; ++i) {
        MakeDir(dir / "c" / ("sub " + std::to_string(i)));
        MakeDir(dir / "c" / "sub 59" / ("inner " + std::to_string(i)));
    }
    list.resize(150, 120);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QScrollBar* scroll = list.verticalScrollBar();
    const auto scrolledDown = [&] {
        QCoreApplication::processEvents();
        scroll->setValue(scroll->maximum());
        return scroll->value() > 10;
    };
    list.SetPath(root + QStringLiteral("/c"), root);
    QVERIFY(scrolledDown());
    list.SetPath(root + QStringLiteral("/c/sub 59"));
    QCoreApplication::processEvents();
    QCOMPARE(scroll->value(), 0);
    QVERIFY(scrolledDown());
    list.SetPath(root + QStringLiteral("/c"));
    QCoreApplication::processEvents();
    QCOMPARE(scroll->value(), 0);
}

void WindowsTest::refreshClosesTheTrayARunOpenedAfterTheDiscWentAway() {
    ui::TrayMemory trays;
    const std::string start = "/media/u/MUSIC01/Jazz";
    // The run ends: the start path is on the optical drive, whose tray opens.
    QCOMPARE(trays.DriveOf(start, "/dev/sr0"), std::string("/dev/sr0"));
    trays.Opened("/dev/sr0");
    // The disc is gone, so the system now puts the path on the disk below the mount point;
    // Refresh must still close the drive the run opened.
    QCOMPARE(trays.DriveOf(start, "/dev/vda"), std::string("/dev/sr0"));
    trays.Closed("/dev/sr0");
    // Once closed, the path's drive is the system's again.
    QCOMPARE(trays.DriveOf(start, "/dev/vda"), std::string("/dev/vda"));
    // A path whose tray was never opened always gets the system's answer.
    QCOMPARE(trays.DriveOf("/home/u", "/dev/vda"), std::string("/dev/vda"));
    QCOMPARE(trays.DriveOf("/home/u", "/dev/vdb"), std::string("/dev/vdb"));
}

void WindowsTest::bordersAreWholeAtAnyScale_data() {
    QTest::addColumn<double>("ratio");
    for (const double ratio : {1.0, 1.25, 1.5, 1.75, 2.0})
        QTest::newRow(qPrintable(QString::number(ratio))) << ratio;
}

void WindowsTest::bordersAreWholeAtAnyScale() {
    QFETCH(double, ratio);
    // A display field and the folder list at odd places and sizes, drawn at `ratio` device
    // pixels to the pixel: each of their four edges is a line darker than the window and the
    // list's background, all along.
    // Drawing in device pixels, the borders are drawn without naming the widget to the style:
    // the Windows styles would scale a border by the widget's ratio once more.
    struct FrameCount : QProxyStyle {
        using QProxyStyle::QProxyStyle;
        mutable int drawn = 0, toldWidget = 0;
        void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const override {
            if (element == PE_Frame) {
                ++drawn;
                toldWidget += widget != nullptr ? 1 : 0;
            }
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    } style(QStyleFactory::create(QApplication::style()->name()));
    QWidget window;
    window.resize(300, 200);
    auto* field = new ui::DisplayField(&window);
    field->setText(QStringLiteral("/a/path"));
    field->setGeometry(3, 5, 101, 21);
    auto* list = new ui::FolderList(&window);
    list->setGeometry(7, 33, 121, 61);
    field->setStyle(&style);
    list->setStyle(&style);
    QImage image(QSize(300, 200) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    window.render(&image);
    QVERIFY(style.drawn >= 2);
    if (ratio != std::floor(ratio)) QCOMPARE(style.toldWidget, 0);
    const int lighter = std::min(qGray(window.palette().color(QPalette::Window).rgb()),
                                 qGray(list->palette().color(QPalette::Base).rgb()));
    for (QWidget* widget : {static_cast<QWidget*>(field), static_cast<QWidget*>(list)}) {
        const QRect box = widget->geometry();
        const int left = qRound(box.left() * ratio);
        const int top = qRound(box.top() * ratio);
        const int right = qRound((box.right() + 1) * ratio) - 1;
        const int bottom = qRound((box.bottom() + 1) * ratio) - 1;
        // The share of places along an edge where the band of device pixels of its outermost
        // pixel (`inward` leads into the widget) holds a dark one.
        const int band = static_cast<int>(std::ceil(ratio));
        const auto darkShare = [&](QPoint from, QPoint along, QPoint inward, int count) {
            int dark = 0;
            for (int i = 0; i < count; ++i) {
                bool found = false;
                for (int j = 0; j < band; ++j)
                    found =
                        found || qGray(image.pixel(from + along * i + inward * j)) < lighter - 8;
                dark += found ? 1 : 0;
            }
            return dark * 100 / count;
        };
        const int width = right - left - 2 * band;
        const int height = bottom - top - 2 * band;
        const QString name = QString::fromLatin1(widget->metaObject()->className());
        QVERIFY2(darkShare({left + band, top}, {1, 0}, {0, 1}, width) > 90,
                 qPrintable(name + " top"));
        QVERIFY2(darkShare({left + band, bottom}, {1, 0}, {0, -1}, width) > 90,
                 qPrintable(name + " bottom"));
        QVERIFY2(darkShare({left, top + band}, {0, 1}, {1, 0}, height) > 90,
                 qPrintable(name + " left"));
        QVERIFY2(darkShare({right, top + band}, {0, 1}, {-1, 0}, height) > 90,
                 qPrintable(name + " right"));
    }
}

void WindowsTest::startFailureSaysWhyInOneLine_data() {
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("line");
    const QString gaveUp = QStringLiteral(
        "This application failed to start because no Qt platform plugin could be initialized. "
        "Reinstalling the application may fix this problem.\n\nAvailable platform plugins are: "
        "offscreen, xcb.");
    const QString xcbNotLoaded = QStringLiteral(
        "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found.");
    const QString needDisplay = QStringLiteral(
        "dirscribe: the windows need a display, and none could be opened (%1); "
        "dirscribe-cli writes lists without one");
    QTest::newRow("no DISPLAY") << QStringList(
                                       {"could not connect to display ", xcbNotLoaded, gaveUp})
                                << needDisplay.arg("DISPLAY is not set");
    QTest::newRow("display gone") << QStringList(
                                         {"could not connect to display :99", xcbNotLoaded, gaveUp})
                                  << needDisplay.arg("could not connect to display :99");
    QTest::newRow("no Wayland")
        << QStringList({"Failed to create wl_display (No such file or directory)", gaveUp})
        << needDisplay.arg("no Wayland display could be reached");
    const QString file = kWindows ? QStringLiteral("C:\\Dirscribe\\platforms\\qwindows.dll")
                                  : QStringLiteral("C:/Dirscribe/platforms/libqwindows.so");
    QTest::newRow("plugin missing")
        << QStringList({"Could not find the Qt platform plugin \"windows\" in \"\"", gaveUp})
        << "dirscribe: the windows cannot open: the file '" + file +
               "' (Qt's platform plugin \"windows\") is missing; install the program again";
    QTest::newRow("plugin broken") << QStringList({xcbNotLoaded, gaveUp})
                                   << QStringLiteral(
                                          "dirscribe: the windows cannot open: Qt's platform "
                                          "plugin \"xcb\" could not be loaded");
    QTest::newRow("anything else")
        << QStringList({gaveUp})
        << QStringLiteral(
               "dirscribe: the windows cannot open: This application "
               "failed to start because no Qt platform plugin could be initialized. "
               "Reinstalling the application may fix this problem.");
}

void WindowsTest::startFailureSaysWhyInOneLine() {
    QFETCH(QStringList, messages);
    QFETCH(QString, line);
    QCOMPARE(ui::StartFailureText(QStringLiteral("dirscribe"), messages,
                                  QStringLiteral("C:/Dirscribe/platforms")),
             line);
}

void WindowsTest::missingPluginIsNamedBeforeQtStarts() {
    // The plugin's file in either folder lets Qt start; in neither (another plugin's file does
    // not count), the file in the first folder is named.
    TempDir beside, installed;
    const std::string file = platform::console::SharedLibraryName("qwindows");
    const QStringList folders = {QString::fromStdString(beside.Str()),
                                 QString::fromStdString(installed.Str())};
    const auto missing = [&] {
        return ui::MissingPluginText(QStringLiteral("dirscribe"), QStringLiteral("windows"),
                                     folders);
    };
    MakeFile(beside / platform::console::SharedLibraryName("qoffscreen"), 1, 0);
    QCOMPARE(missing(), "dirscribe: the windows cannot open: the file '" +
                            QDir::toNativeSeparators(QString::fromStdString(Utf8(beside / file))) +
                            "' (Qt's platform plugin \"windows\") is missing; install the program "
                            "again");
    MakeFile(installed / file, 1, 0);
    QCOMPARE(missing(), QString());
    std::filesystem::remove(installed / file);
    MakeFile(beside / file, 1, 0);
    QCOMPARE(missing(), QString());
}

void WindowsTest::programWithoutADisplayEndsWithOneLine() {
    if (kWindows) QSKIP("Windows always has a display; a missing plugin shows a message box");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(DIRSCRIBE_GUI_PROGRAM), {});
    QVERIFY(program.waitForFinished(60000));
    const QString said = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(said.count(QLatin1Char('\n')), 1);
    QVERIFY2(said.startsWith(QStringLiteral("dirscribe: the windows need a display")),
             qPrintable(said));
    QVERIFY(said.contains(QStringLiteral("dirscribe-cli")));
}

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::WindowsTest)
#include "WindowsTest.moc"
