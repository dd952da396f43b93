#include "harness/command.h"

namespace wine_harness {

std::string SourcePath(const std::string &relative) {
  return std::string(DK_SOURCE_DIR) + "/" + relative;
}

}  // namespace wine_harness
