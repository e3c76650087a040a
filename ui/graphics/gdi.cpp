#include "ui/graphics/gdi.h"

#include <cstring>
#include <string>

#include "runtime/system_code_page.h"

int screenDpiY() {
  ScreenDC screen;
  return GetDeviceCaps(screen.dc(), LOGPIXELSY);
}

HFONT createRuleFont(const uint8_t* logfont, size_t size) {
  if (!logfont || size != sizeof(LOGFONTA)) return nullptr;
  LOGFONTA lf;
  std::memcpy(&lf, logfont, sizeof lf);
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = 0;
  lf.lfClipPrecision = 0;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = 0;
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  std::string face = lf.lfFaceName;
  lf.lfFaceName[lengthWithoutLoneLeadByte(face, systemCodePage())] = '\0';
  return CreateFontIndirectA(&lf);
}

HFONT createRuleFont(const std::vector<uint8_t>& logfont) {
  return createRuleFont(logfont.data(), logfont.size());
}

std::vector<uint8_t> logFontBytes(HFONT font) {
  LOGFONTA lf{};
  if (!font || GetObjectA(font, sizeof lf, &lf) != sizeof lf)
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  auto* p = reinterpret_cast<const uint8_t*>(&lf);
  return std::vector<uint8_t>(p, p + sizeof lf);
}
