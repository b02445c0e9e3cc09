#include "resources/Resources.h"

namespace halvo::resources {

const char* BuiltInRoot() {
    return ":/halvo";
}

}  // namespace halvo::resources
