#pragma once
// The name of a run's folder below each destination, made from the time the run starts.

#include <string>

#include "platform/clock.h"

namespace corvallo::engine {

// "2014-8-15 937\" for 2014-08-15 09:03:07: plain decimal numbers, nothing between hour, minute and
// second, and a trailing "\". Different times of one day can give one name (01:11:05, 11:01:05).
std::string runFolderName(const platform::LocalTime& time);

}  // namespace corvallo::engine
