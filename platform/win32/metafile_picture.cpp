// The design-time picture recorded into a Windows metafile, wrapped as a METAFILEPICT in
// global memory, the form OLE containers cache as a control's presentation.
#include "platform/metafile_picture.h"

namespace vk::platform {

bool metafilePicturesAvailable() { return true; }

HRESULT renderMetafilePicture(const SIZEL& extent, PictureDrawer draw, STGMEDIUM* medium) {
  HDC dc = CreateMetaFileW(nullptr);
  if (dc == nullptr) return E_OUTOFMEMORY;
  // The picture's logical units are HIMETRIC; MM_ANISOTROPIC below lets the player scale them.
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, extent.cx, extent.cy, nullptr);
  draw(dc, RECTL{0, 0, extent.cx, extent.cy});
  HMETAFILE metafile = CloseMetaFile(dc);
  if (metafile == nullptr) return E_OUTOFMEMORY;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
  auto* picture = memory != nullptr ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
  if (picture == nullptr) {
    if (memory != nullptr) GlobalFree(memory);
    DeleteMetaFile(metafile);
    return E_OUTOFMEMORY;
  }
  picture->mm = MM_ANISOTROPIC;
  picture->xExt = extent.cx;
  picture->yExt = extent.cy;
  picture->hMF = metafile;
  GlobalUnlock(memory);
  medium->tymed = TYMED_MFPICT;
  medium->hMetaFilePict = memory;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

}  // namespace vk::platform
