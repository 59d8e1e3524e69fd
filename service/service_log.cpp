#include "service/service_log.h"

#include <charconv>
#include <cstdio>

namespace corvallo::service {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string twoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string oneDecimal(double value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

}  // namespace

std::string logTime(const platform::LocalTime& t) {
    return std::to_string(t.year) + "-" + twoDigits(t.month) + "-" + twoDigits(t.day) + " " + twoDigits(t.hour) + ":" +
           twoDigits(t.minute) + ":" + twoDigits(t.second);
}

std::string formatRunEntry(const RunEntry& entry, const engine::RunResult& result) {
    std::string text = logTime(entry.started) + " .. " + logTime(entry.ended) + "  task " + std::to_string(entry.taskId) +
                       " \"" + entry.taskName + "\": " + std::to_string(result.filesCopied) + " copied, " +
                       std::to_string(result.filesFailed) + " failed, " + std::to_string(result.bytesCopied) + " bytes, " +
                       oneDecimal(result.seconds) + " s";
    text += kLineEnd;
    for (const auto& failure : result.failures) {
        text += "    ";
        text += failure.describe();
        text += kLineEnd;
    }
    return text;
}

ServiceLog::ServiceLog(platform::Files& files, std::string path, std::uint64_t cap)
    : files_(files), path_(std::move(path)), cap_(cap) {}

void ServiceLog::runFinished(const RunEntry& entry, const engine::RunResult& result) {
    append(formatRunEntry(entry, result));
}

void ServiceLog::note(const platform::LocalTime& at, std::string_view text) {
    append(logTime(at) + "  " + std::string(text) + std::string(kLineEnd));
}

std::uint64_t ServiceLog::currentSize() {
    if (!size_) {
        size_ = 0;
        const auto slash = path_.find_last_of('\\');
        const std::string folder = slash == std::string::npos ? std::string(".") : path_.substr(0, slash);
        const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
        auto listed = files_.listFolder(folder, name);
        if (listed.ok() && !listed.value.empty()) size_ = listed.value.front().size;
    }
    return *size_;
}

void ServiceLog::append(const std::string& text) {
    std::lock_guard lock(mutex_);
    if (currentSize() > 0 && currentSize() + text.size() > cap_) {
        const std::string rotated = path_ + kServiceLogRotatedSuffix;
        files_.removeFile(rotated);
        if (!files_.rename(path_, rotated)) size_ = 0;
    }
    if (!files_.appendFile(path_, text)) *size_ += text.size();
    // A failed write is not retried: the log is a help, never a reason to hold a worker up.
}

}  // namespace corvallo::service
