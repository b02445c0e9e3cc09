// Where the compiled-in resources live. The dialog layer (ui/ResourceStore.h) reads them.
#pragma once

namespace halvo::resources {

// Qt resource root of manifest.json, the dialog templates and the images.
const char* BuiltInRoot();

}  // namespace halvo::resources
