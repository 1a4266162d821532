// SPDX-License-Identifier: MIT
// DiscAfterDisc: the loop's waits are short event loops of their own, so that the windows stay
// alive and Cancel or Stop is seen within a quarter of a second.
#include "ui/DiscAfterDisc.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include "engine/SharedState.h"
#include "ui/Status.h"
#include "ui/WindowFrontEnd.h"

namespace dirscribe::ui {

DiscAfterDisc::DiscAfterDisc(DiscAfterDiscWindow window, std::string driveName)
    : w_(std::move(window)), driveName_(std::move(driveName)) {}

bool DiscAfterDisc::Interrupted() {
    return w_.state->StopRequested || w_.closing();
}

void DiscAfterDisc::Sleep(std::chrono::milliseconds time) {
    QEventLoop wait;
    QTimer::singleShot(time, &wait, &QEventLoop::quit);
    wait.exec();
}

void DiscAfterDisc::Waiting(bool /*first*/) {
    if (countUp_) {
        const std::string next = catalogue::NextDescription(w_.description->text().toStdString());
        w_.description->setText(QString::fromStdString(next));
        countUp_ = false;
    }
    // Start is Stop while the loop lasts: either button ends it.
    w_.frontEnd->SetCommand1Caption("Stop");
    w_.frontEnd->ShowProgress();
    w_.frontEnd->ShowStatus("Insert the next disc into " + driveName_, "Cancel ends");
}

void DiscAfterDisc::Report(const std::string& text) {
    w_.frontEnd->ShowProgress();
    w_.frontEnd->SetErrorText(text);
}

std::optional<std::string> DiscAfterDisc::Description(int /*number*/,
                                                      const std::string& /*label*/) {
    if (Interrupted()) return std::nullopt;
    // As the user left the box while waiting.
    return w_.description->text().toStdString();
}

catalogue::DiscListed DiscAfterDisc::ListDisc(int /*number*/, const cdtray::MountedDisc& disc,
                                              const std::string& /*description*/, bool /*later*/) {
    // The waiting window goes; the run brings its own.
    w_.frontEnd->UnloadProgress();
    w_.frontEnd->SetCommand1Caption("Start");
    w_.readDisc(disc);
    const RunOutcome outcome = w_.run();
    switch (outcome) {
        case RunOutcome::Completed:
            countUp_ = true;
            return catalogue::DiscListed::Done;
        case RunOutcome::Stopped:
            return catalogue::DiscListed::Stopped;
        default:
            return catalogue::DiscListed::Failed;
    }
}

}  // namespace dirscribe::ui
