// SPDX-License-Identifier: MIT
// Tests of the main window as it looks: its state at start, its layout and keyboard order at
// every font, the Output Format menu's mark and the About window.
#include "MainWindowFixture.h"

namespace dirscribe::test {

class MainWindowLayoutTest : public QObject, protected MainWindowFixture {
    Q_OBJECT

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    void startUpState();
    void layoutAndKeyboardOrder();
    void layoutGrowsWithAWideFontOnly();
    void formatMenuShowsOneMark();
    void aboutShowsItsTextsEachTime();
};

void MainWindowLayoutTest::startUpState() {
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

void MainWindowLayoutTest::layoutAndKeyboardOrder() {
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

void MainWindowLayoutTest::layoutGrowsWithAWideFontOnly() {
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

void MainWindowLayoutTest::formatMenuShowsOneMark() {
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

void MainWindowLayoutTest::aboutShowsItsTextsEachTime() {
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

}  // namespace dirscribe::test

QTEST_MAIN(dirscribe::test::MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
