#pragma once
#include <cstdint>
#include <iterator>

// The system cursor (its IDC_* resource number) of a stock mouse-pointer kind; 0 for kind 0,
// the window class's default, and for kinds of no stock pointer. Custom pointer images are not
// supported.
inline uint16_t stockPointerCursor(uint32_t kind) {
  static constexpr uint16_t kCursors[] = {
      0,      // default
      32512,  // IDC_ARROW
      32515,  // IDC_CROSS
      32513,  // IDC_IBEAM
      32512,  // IDC_ARROW
      32646,  // IDC_SIZEALL
      32643,  // IDC_SIZENESW
      32645,  // IDC_SIZENS
      32642,  // IDC_SIZENWSE
      32644,  // IDC_SIZEWE
      32516,  // IDC_UPARROW
      32514,  // IDC_WAIT
      32648,  // IDC_NO
      32650,  // IDC_APPSTARTING
      32651,  // IDC_HELP
      32649,  // IDC_HAND
  };
  return kind < std::size(kCursors) ? kCursors[kind] : 0;
}
