// No metafiles without GDI: the control offers no presentation data natively.
#include "platform/metafile_picture.h"

namespace vk::platform {

bool metafilePicturesAvailable() { return false; }

HRESULT renderMetafilePicture(const SIZEL&, PictureDrawer, STGMEDIUM*) { return DV_E_FORMATETC; }

}  // namespace vk::platform
