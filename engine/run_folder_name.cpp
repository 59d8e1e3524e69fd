#include "engine/run_folder_name.h"

namespace corvallo::engine {

std::string runFolderName(const platform::LocalTime& time) {
    return std::to_string(time.year) + "-" + std::to_string(time.month) + "-" + std::to_string(time.day) + " " +
           std::to_string(time.hour) + std::to_string(time.minute) + std::to_string(time.second) + "\\";
}

}  // namespace corvallo::engine
