// SPDX-License-Identifier: MIT
// Main: the controls at their places in twips, the handlers of the window's events, and the
// listing run behind Command1.
#include "ui/Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

#include "engine/AppIdentity.h"
#include "engine/ListFormats.h"
#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/DiscAfterDisc.h"
#include "ui/DriveList.h"
#include "ui/DriveSource.h"
#include "ui/EnterPress.h"
#include "ui/FindWindow.h"
#include "ui/FolderList.h"
#include "ui/MainLayout.h"
#include "ui/QtText.h"
#include "ui/Status.h"
#include "ui/Twips.h"
#include "ui/WholeFrame.h"
#include "ui/WindowFrame.h"
#include "ui/WindowFrontEnd.h"
#include "ui/frmSplash.h"

namespace dirscribe::ui {

namespace {

template <class W>
W* Place(W* widget, const char* name, QRect box) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(box);
    return widget;
}

QRect BoxOf(const Twips& dpi, const CaptionedControl& control) {
    return dpi.Rect(control.left, control.top, control.width, control.height);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect box) {
    auto* label = Place(new QLabel(text, parent), name, box);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* MakeLabel(QWidget* parent, const CaptionedControl& control, const Twips& dpi) {
    return MakeLabel(parent, control.name, QString::fromLatin1(control.text), BoxOf(dpi, control));
}

// The option buttons of one group, placed in its frame.
template <std::size_t N>
void MakeOptions(QWidget* frame, const CaptionedControl (&controls)[N], const Twips& dpi,
                 std::array<QRadioButton*, N>& options) {
    for (std::size_t i = 0; i < N; ++i) {
        options[i] = Place(new QRadioButton(QString::fromLatin1(controls[i].text), frame),
                           controls[i].name, BoxOf(dpi, controls[i]));
    }
}

// A read-only one-line field with a sunken border.
QLabel* MakeDisplay(QWidget* parent, const char* name, QRect box) {
    auto* field = Place(new DisplayField(parent), name, box);
    field->setTextFormat(Qt::PlainText);
    field->setWordWrap(false);
    field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    field->setMargin(0);
    field->setIndent(2);
    return field;
}

// A frame without caption that holds an option group; its border runs along its edges. It lies
// under the other controls: the text box above reaches a little into its top.
QWidget* MakeFrame(QWidget* parent, const char* name, QRect box) {
    auto* frame = Place(new QWidget(parent), name, box);
    auto* border = new QFrame(frame);
    border->setFrameStyle(QFrame::Box | QFrame::Sunken);
    border->setGeometry(0, 0, box.width(), box.height());
    frame->lower();
    return frame;
}

}  // namespace

Main::Main(SharedState& state, Dialogs& dialogs, DriveSource& drives, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      state_(state),
      dialogs_(dialogs),
      drives_(drives),
      fileSystem_(platform::MakeFileSystem()) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QString::fromUtf8(kApp.displayName));
    setWindowIcon(AppIcon());
    KeepFrame(this, FrameKind::Main);
    BuildControls();
    BuildMenu();

    MainControls controls;
    controls.window = this;
    controls.Command1 = Command1_;
    controls.Drive1 = Drive1_;
    controls.SelPath = SelPath_;
    controls.MaskBox = MaskBox_;
    controls.VolDescBox = VolDescBox_;
    controls.DFlag = DFlag_;
    controls.AppFlag = AppFlag_;
    controls.CurDir = CurDir_;
    frontEnd_ = std::make_unique<WindowFrontEnd>(state_, dialogs_, drives_, controls);
    run_ = std::make_unique<ListingRun>(state_, *frontEnd_, files_, *fileSystem_);

    // The drive and folder of the process, before any handler is connected.
    const std::string current = drives_.CurrentFolder();
    Drive1_->Load(current);
    try {
        Dir1_->SetPath(Q(current), Q(Drive1_->SelectedRoot()));
    } catch (const Failure&) {
        // A current folder that cannot be read: the drive change below opens the drive.
    }

    connect(Drive1_, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(Dir1_, &FolderList::Changed, this, [this] { Dir1_Change(); });
    connect(Dir1_, &FolderList::OpenFailed, this,
            [this](const QString& description) { ShowError(description.toStdString()); });
    connect(Refresh_, &QPushButton::clicked, this, [this] { Refresh_Click(); });
    connect(Command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Form_Load();
    Command1_->setFocus();
}

Main::~Main() = default;

Status* Main::StatusWindow() const {
    return frontEnd_->StatusWindow();
}

void Main::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    const Twips dpi = Twips::Of(*this);
    client->setFixedSize(dpi.X(7530), dpi.Y(4200));

    // The rule under the menu bar, wider than the window on both sides.
    auto* line =
        Place(new QFrame(client), "Line1", QRect(dpi.X(-60), 0, dpi.X(7560) - dpi.X(-60), 1));
    line->setAutoFillBackground(true);
    QPalette linePalette = line->palette();
    linePalette.setColor(QPalette::Window, palette().color(QPalette::Active, QPalette::Mid));
    line->setPalette(linePalette);

    Drive1_ = Place(new DriveList(drives_, client), "Drive1", dpi.Rect(240, 120, 2775, 315));
    Dir1_ = Place(new FolderList(client), "Dir1", dpi.Rect(240, 480, 2775, 3465));
    MakeLabel(client, kLabel3, dpi);
    SelPath_ = MakeDisplay(client, "SelPath", dpi.Rect(3240, 360, 4095, 285));
    MakeLabel(client, kLabel5, dpi);
    VLabel_ = MakeDisplay(client, "VLabel", dpi.Rect(4320, 720, 3015, 300));
    MakeLabel(client, kLabel2, dpi);

    MaskBox_ = Place(new QComboBox(client), "MaskBox", dpi.Rect(4440, 1200, 1455, 315));
    MaskBox_->setEditable(true);
    MaskBox_->setInsertPolicy(QComboBox::NoInsert);
    MaskBox_->addItems({QStringLiteral("*.*"), QStringLiteral("*.MP3"), QStringLiteral("*.WAV"),
                        QStringLiteral("*.MID")});
    MaskBox_->setCurrentIndex(0);
    MaskBox_->setEditText(QStringLiteral("*.*"));

    Command1_ = Place(new QPushButton(QStringLiteral("Start"), client), "Command1",
                      dpi.Rect(6000, 1200, 1215, 320));
    MakeLabel(client, kLabel1, dpi);
    VolDescBox_ = Place(new QLineEdit(client), "VolDescBox", dpi.Rect(3240, 1800, 4095, 285));

    QWidget* frame1 = MakeFrame(client, "Frame1", dpi.Rect(4200, 2040, 3135, 615));
    Refresh_ = Place(new QPushButton(QStringLiteral("Refresh"), client), "Refresh",
                     dpi.Rect(3240, 2280, 855, 255));
    QWidget* frame2 = MakeFrame(client, "Frame2", dpi.Rect(4200, 2640, 3135, 615));
    MakeLabel(client, kLabel4, dpi);
    CurDir_ = MakeDisplay(client, "CurDir", dpi.Rect(3240, 3675, 4095, 285));

    // The option buttons, placed in their frames; each frame makes one exclusive group.
    MakeOptions(frame1, kDFlag, dpi, DFlag_);
    MakeOptions(frame2, kAppFlag, dpi, AppFlag_);
    DFlag_[0]->setChecked(true);
    AppFlag_[1]->setChecked(true);
    // Tab lands on the checked button of each group only; the others take the focus by click,
    // and a button becomes its group's stop when it is checked. The arrow keys move within.
    for (QRadioButton* option : {DFlag_[0], DFlag_[1], AppFlag_[0], AppFlag_[1], AppFlag_[2]}) {
        const auto fixTabStop = [option](bool selected) {
            option->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
        };
        fixTabStop(option->isChecked());
        connect(option, &QRadioButton::toggled, option, fixTabStop);
    }

    // No default button: Enter presses only the button that has the focus, as Space does.
    for (QPushButton* button : {Command1_, Refresh_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        PressOnEnter(button);
    }

    // The Tab order of the controls that take the focus; each option group is one stop (see
    // fixTabStop above).
    QWidget* order[] = {Command1_, Drive1_,     Dir1_,       MaskBox_,    VolDescBox_, DFlag_[1],
                        DFlag_[0], AppFlag_[0], AppFlag_[1], AppFlag_[2], Refresh_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Main::BuildMenu() {
    QMenuBar* bar = menuBar();
    // The menu bar belongs to the window, also where a desktop offers a global one.
    bar->setNativeMenuBar(false);

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MnuFile"));
    QAction* find = file->addAction(QStringLiteral("Find in Lists..."));
    find->setObjectName(QStringLiteral("MnuFind"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, this, [this] { MnuFind_Click(); });
    MnuDiscAfterDisc_ = file->addAction(QStringLiteral("List Disc after Disc"));
    MnuDiscAfterDisc_->setObjectName(QStringLiteral("MnuDiscAfterDisc"));
    MnuDiscAfterDisc_->setCheckable(true);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("MnuQuit"));
    connect(quit, &QAction::triggered, this, [this] { MnuQuit_Click(); });

    QMenu* formats = bar->addMenu(QStringLiteral("Output Format"));
    formats->setObjectName(QStringLiteral("MnuOutFrm"));
    for (const FormatInfo& info : kFormats) {
        const ListFormat format = info.format;
        const int i = IndexOf(format);
        QAction* entry = formats->addAction(QString::fromLatin1(
            info.menuName.data(), static_cast<qsizetype>(info.menuName.size())));
        entry->setObjectName(QStringLiteral("MnuOFmt(%1)").arg(i));
        // Only the chosen entry is checkable: the others show no empty box beside them.
        entry->setCheckable(format == ListFormat::Text);
        entry->setChecked(format == ListFormat::Text);
        connect(entry, &QAction::triggered, this, [this, format] { MnuOFmt_Click(format); });
        MnuOFmt_[static_cast<std::size_t>(i)] = entry;
    }

    QAction* about = bar->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("MnuAbout"));
    connect(about, &QAction::triggered, this, [this] { MnuAbout_Click(); });
}

void Main::Form_Load() {
    SetSelPath(Dir1_->Path());
    Drive1_Change();
    state_.OutputFormat = ListFormat::Text;
}

template <class Step, class Between>
bool Main::RetryStep(int& retryCount, Step&& step, Between&& between) {
    for (;;) {
        std::string description;
        try {
            step();
            return true;
        } catch (const Failure& failure) {
            description = failure.Description();
        } catch (const std::exception& error) {
            description = error.what();
        }
        QCoreApplication::processEvents();
        // Once the window is closed there is nobody left to wait for the drive.
        if (closing_) return false;
        between();
        if (++retryCount < kChangeRetryLimit) continue;
        ShowError(description);
        return false;
    }
}

void Main::SetSelPath(const QString& path) {
    SelPath_->setText(path);
    // The field cuts a long path at its edge; its tooltip shows the whole path.
    SelPath_->setToolTip(path);
}

void Main::ShowError(const std::string& description) {
    dialogs_.ShowMessage(this, Q("Error:" + description));
}

void Main::OpenSelectedDrive() {
    const platform::DriveFolder folder = drives_.OpenDrive(Drive1_->DriveText());
    Dir1_->SetPath(Q(folder.current), Q(folder.root));
}

void Main::Drive1_Change() {
    int changeRetryCount = 0;
    // Between attempts the tray of the selected drive is closed: a disc may be waiting in it.
    const auto closeTray = [this] {
        drives_.CloseCDDoor(drives_.TrayDriveOfText(Drive1_->DriveText()));
    };
    if (!RetryStep(
            changeRetryCount, [this] { OpenSelectedDrive(); }, closeTray))
        return;
    RetryStep(
        changeRetryCount,
        [this] { VLabel_->setText(Q(drives_.VolumeLabel(Drive1_->DriveText()))); }, closeTray);
}

void Main::Dir1_Change() {
    int changeRetryCount = 0;
    RetryStep(
        changeRetryCount, [this] { SetSelPath(Dir1_->Path()); }, [] {});
}

void Main::Refresh_Click() {
    // A drive's entry names the disc in it; read the entries again so that the selected drive
    // shows the disc now in it.
    Drive1_->Reread();
    Drive1_Change();
    try {
        QCoreApplication::processEvents();
        drives_.CloseCDDoor(drives_.TrayDriveOfPath(SelPath_->text().toStdString()));
        Dir1_->Refresh();
    } catch (const Failure& failure) {
        ShowError(failure.Description());
    }
}

void Main::Command1_Click() {
    const bool outer = !running_;
    running_ = true;
    const RunOutcome outcome = run_->Command1_Click();
    if (!outer) return;
    // A run stopped, cancelled or failed ends there; one that ended normally opened the tray.
    if (outcome == RunOutcome::Completed && MnuDiscAfterDisc_->isChecked() && !quitAfterRun_)
        ListDiscAfterDisc();
    running_ = false;
    if (quitAfterRun_) {
        quitAfterRun_ = false;
        close();
    }
}

void Main::ListDiscAfterDisc() {
    std::unique_ptr<cdtray::DiscDrive> drive;
    try {
        drive = drives_.OpenDiscDrive(Drive1_->DriveText());
    } catch (const Failure& failure) {
        ShowError(failure.Description());
        return;
    }
    DiscAfterDiscWindow window;
    window.state = &state_;
    window.frontEnd = frontEnd_.get();
    window.description = VolDescBox_;
    window.readDisc = [this](const cdtray::MountedDisc& disc) { ReadDisc(disc); };
    window.run = [this] { return run_->Command1_Click(); };
    window.closing = [this] { return quitAfterRun_ || closing_; };
    DiscAfterDisc host(std::move(window), drive->Name());
    catalogue::DiscLoopOptions options;
    options.firstListed = true;
    catalogue::DiscLoop loop(*drive, options, host);

    // The lists of the first run, from now on without questions; its new list is added to.
    const auto open = files_.CurrentOpener();
    files_.SetOpener([open](const std::string& path, platform::OutputFile::Mode /*mode*/) {
        return open(path, platform::OutputFile::Mode::Append);
    });
    frontEnd_->SetRepeating(true);
    loop.Run();
    frontEnd_->SetRepeating(false);
    files_.SetOpener(open);
    state_.StopRequested = false;
    frontEnd_->SetCommand1Caption("Start");
    frontEnd_->UnloadProgress();
}

void Main::ReadDisc(const cdtray::MountedDisc& disc) {
    Drive1_->Reread();
    Drive1_Change();
    if (QDir::cleanPath(Dir1_->Path()) != QDir::cleanPath(Q(disc.root))) {
        try {
            Dir1_->SetPath(Q(disc.root), Q(disc.root));
        } catch (const Failure& failure) {
            ShowError(failure.Description());
        }
    }
    SelPath_->setText(Dir1_->Path());
}

void Main::MnuOFmt_Click(ListFormat format) {
    QAction* before = MnuOFmt_[static_cast<std::size_t>(IndexOf(state_.OutputFormat))];
    before->setChecked(false);
    before->setCheckable(false);
    state_.OutputFormat = format;
    QAction* chosen = MnuOFmt_[static_cast<std::size_t>(IndexOf(format))];
    chosen->setCheckable(true);
    chosen->setChecked(true);
    // During a run the progress window comes back over this window, which the menu brought to
    // the front.
    frontEnd_->BringProgressToFront();
}

void Main::MnuFind_Click() {
    if (!find_) {
        find_ = new FindWindow(dialogs_, this);
        find_->setAttribute(Qt::WA_DeleteOnClose);
    }
    find_->show();
    find_->raise();
    find_->activateWindow();
    find_->FocusPattern();
}

void Main::MnuAbout_Click() {
    frmSplash about(this);
    about.exec();
}

void Main::MnuQuit_Click() {
    close();
}

void Main::showEvent(QShowEvent* event) {
    // The focused button shows its focus mark from the start, not only after the first Tab
    // (showing a window clears the mark's flag).
    setAttribute(Qt::WA_KeyboardFocusChange);
    QMainWindow::showEvent(event);
}

void Main::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Stop the run as Stop does; the click that runs it closes the window at its end.
        quitAfterRun_ = true;
        state_.StopRequested = true;
        event->ignore();
        return;
    }
    closing_ = true;
    // A progress window left on screen by a run that gave up goes with the main window.
    frontEnd_->UnloadProgress();
    event->accept();
    emit Unloaded();
}

}  // namespace dirscribe::ui
