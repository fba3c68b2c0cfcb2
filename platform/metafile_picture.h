// The control's presentation data as containers take it through IDataObject: a metafile
// picture (CF_METAFILEPICT on TYMED_MFPICT) in which the design-time picture is recorded at the
// control's extent, in HIMETRIC logical units. Windows records a real metafile; the native
// build has no metafiles and offers no presentation data.
#pragma once
#include "platform/ole.h"

#ifndef _WIN32
constexpr CLIPFORMAT CF_METAFILEPICT = 3;
constexpr HRESULT DV_E_TYMED = makeHresult(0x80040069u);
#endif

namespace vk::platform {

using PictureDrawer = void (*)(HDC dc, const RECTL& bounds);

bool metafilePicturesAvailable();
// Fills medium (TYMED_MFPICT, no pUnkForRelease: the caller releases it with ReleaseStgMedium).
HRESULT renderMetafilePicture(const SIZEL& extent, PictureDrawer draw, STGMEDIUM* medium);

}  // namespace vk::platform
