#pragma once
// Carrying out the action a countdown caption names.

#include <string_view>

#include "platform/power.h"

namespace corvallo::service {

// "关闭屏幕" turns the screen off; "待机", "注销", "重启" and "关机" first enable the shut-down privilege
// and do nothing when it cannot be had; "无操作", an unknown word, or a caption without exactly two
// parts does nothing. The force flag is the caption's. Called on the user-interface thread by the
// countdown at 0 and by its "立即执行！" button.
void performPostAction(std::string_view caption, platform::Power& power);

}  // namespace corvallo::service
