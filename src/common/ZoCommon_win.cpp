#include <windows.h>

#include <vector>

#include "common/ZoCommon.h"
#include "common/ZoShell.h"
#include "framework/Forms.h"
#include "framework/Forms_win.h"

void ReadVersionInfo(const std::string& fileName, TZoCVersionResourceRec& rec) {
  const std::wstring wideName = WideOf(fileName);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wideName.c_str(), &ignored);
  if (size == 0) return;
  std::vector<uint8_t> block(size, 0);
  // As the system reads it; a failed read leaves a block that finds nothing.
  GetFileVersionInfoW(wideName.c_str(), 0, size, block.data());
  ReadVersionInfoBlock(
      [&block](const std::string& subBlock, TVersionValue& value) {
        value = TVersionValue();
        void* data = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), WideOf(subBlock).c_str(), &data, &length) || !data) return false;
        const auto* bytes = static_cast<const uint8_t*>(data);
        const uint8_t* end = block.data() + block.size();
        if (bytes < block.data() || bytes >= end) return false;
        value.Data = bytes;
        value.Length = length;
        value.IsText = subBlock.rfind("\\StringFileInfo", 0) == 0;
        value.Available = size_t(end - bytes);
        return true;
      },
      rec);
}

void ShowAboutBox(const TApplication& application) {
  TZoCVersionResourceRec rec;
  ReadVersionInfo(application.ExeName, rec);
  const std::wstring text = WideOf(AboutBoxText(rec, kHomePageUrl));
  const std::wstring caption = WideOf(AboutBoxCaption(application.Title));
  MSGBOXPARAMSW box = {};
  box.cbSize = sizeof(box);
  box.hwndOwner = nullptr;  // centred on the screen
  box.hInstance = GetModuleHandleW(nullptr);
  box.lpszText = text.c_str();
  box.lpszCaption = caption.c_str();
  // The program's own icon in place of the standard information icon.
  const bool ownIcon = FindResourceW(box.hInstance, L"MAINICON", MAKEINTRESOURCEW(14)) != nullptr;
  box.dwStyle = MB_OK | MB_SETFOREGROUND | (ownIcon ? MB_USERICON : MB_ICONINFORMATION);
  box.lpszIcon = ownIcon ? L"MAINICON" : nullptr;
  MessageBoxIndirectW(&box);
}
