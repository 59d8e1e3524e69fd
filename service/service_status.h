#pragma once
// The service's status as the main window shows it.

#include <string_view>

namespace corvallo::service {

enum class ServiceStatus { Stopped, Running };

struct StatusDisplay {
    std::string_view caption;  // the status label
    bool startButtonEnabled;   // toolbar "启动服务"
    bool stopButtonEnabled;    // toolbar "停止服务"
};

constexpr StatusDisplay statusDisplay(ServiceStatus status) {
    if (status == ServiceStatus::Running) return {"备份服务正在运行！", false, true};
    return {"备份服务已经停止！", true, false};
}

}  // namespace corvallo::service
