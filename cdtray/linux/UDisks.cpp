// SPDX-License-Identifier: MIT
// UDisks: mounting and unmounting a disc as an ordinary desktop user, through UDisks2 on the
// system bus.
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "cdtray/linux/TrayDevices.h"

namespace dirscribe::cdtray {

namespace {

struct CloseBus {
    // Without flushing: a flush could wait on a bus that does not read.
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
struct UnrefMessage {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct UnrefSlot {
    void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};

struct Answer {
    bool done = false;
    int status = 0;
    std::string* text = nullptr;  // receives the string the method returns, when wanted
};

int OnReply(sd_bus_message* reply, void* userdata, sd_bus_error* /*error*/) {
    auto* answer = static_cast<Answer*>(userdata);
    answer->done = true;
    if (sd_bus_message_is_method_error(reply, nullptr) != 0) {
        const int err = sd_bus_message_get_errno(reply);
        answer->status = err > 0 ? err : EIO;
    } else if (answer->text != nullptr) {
        const char* text = nullptr;
        if (sd_bus_message_read(reply, "s", &text) < 0 || text == nullptr) {
            answer->status = EPROTO;
        } else {
            *answer->text = text;
        }
    }
    return 0;
}

std::uint64_t Microseconds(std::chrono::steady_clock::duration duration) {
    const auto usec = std::chrono::duration_cast<std::chrono::microseconds>(duration).count();
    return usec > 0 ? static_cast<std::uint64_t>(usec) : 1;
}

}  // namespace

std::string UDisksBlockObjectPath(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string path = "/org/freedesktop/UDisks2/block_devices/";
    for (const char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_') {
            path += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            path += '_';
            path += kHex[byte >> 4];
            path += kHex[byte & 0x0f];
        }
    }
    return path;
}

namespace {

// Calls `method` of org.freedesktop.UDisks2.Filesystem on `objectPath` with no options but
// auth.no_user_interaction; `text`, when not null, receives the string it returns.
int CallFilesystem(const std::string& objectPath, const char* method,
                   std::chrono::milliseconds timeout, std::string* text) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;

    // sd_bus_call would wait without limit for the connection to be set up; so the call is
    // sent asynchronously and every wait, connecting included, is bounded by the deadline.
    sd_bus* rawBus = nullptr;
    int r = sd_bus_open_system(&rawBus);
    if (r < 0) return -r;
    const std::unique_ptr<sd_bus, CloseBus> bus(rawBus);

    sd_bus_message* rawCall = nullptr;
    r = sd_bus_message_new_method_call(bus.get(), &rawCall, "org.freedesktop.UDisks2",
                                       objectPath.c_str(), "org.freedesktop.UDisks2.Filesystem",
                                       method);
    if (r < 0) return -r;
    const std::unique_ptr<sd_bus_message, UnrefMessage> call(rawCall);
    // No password dialog: a user who would have to authenticate simply keeps the disc mounted.
    r = sd_bus_message_append(call.get(), "a{sv}", 1, "auth.no_user_interaction", "b", 1);
    if (r < 0) return -r;

    Answer answer;
    answer.text = text;
    sd_bus_slot* rawSlot = nullptr;
    r = sd_bus_call_async(bus.get(), &rawSlot, call.get(), OnReply, &answer, Microseconds(timeout));
    if (r < 0) return -r;
    const std::unique_ptr<sd_bus_slot, UnrefSlot> slot(rawSlot);

    while (!answer.done) {
        r = sd_bus_process(bus.get(), nullptr);
        if (r < 0) return -r;
        const Clock::duration left = deadline - Clock::now();
        if (answer.done) break;
        if (left <= Clock::duration::zero()) return ETIMEDOUT;
        if (r > 0) continue;  // more may be waiting
        r = sd_bus_wait(bus.get(), Microseconds(left));
        if (r < 0) return -r;
    }
    return answer.status;
}

}  // namespace

int CallUDisksUnmount(const std::string& objectPath, std::chrono::milliseconds timeout) {
    return CallFilesystem(objectPath, "Unmount", timeout, nullptr);
}

int CallUDisksMount(const std::string& objectPath, std::chrono::milliseconds timeout,
                    std::string& mountPoint) {
    return CallFilesystem(objectPath, "Mount", timeout, &mountPoint);
}

}  // namespace dirscribe::cdtray
