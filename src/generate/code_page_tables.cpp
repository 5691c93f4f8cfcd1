#include "generate/code_page_tables.h"

#include <algorithm>

#include "generate/line_scanner.h"

namespace vkt::generate::internal {

void Tables::Build(const text::CodePage& cp) {
  page = &cp;
  any_unassigned = false;
  byte_path = cp.single_byte() && cp.Unit('\r') == kCr && cp.Unit('\n') == kLf;
  ascii_identity = cp.single_byte();
  if (!cp.single_byte()) {
    // UTF-8 and the like keep ASCII as it is; others go through the converter.
    std::string probe = cp.Encode("azAZ09 '();-_.:\\/");
    ascii_identity = probe == "azAZ09 '();-_.:\\/";
    identity_fe_ff = false;
    latin1_upper = false;
    return;
  }
  identity_fe_ff = true;
  drops_are_fe_ff = true;
  latin1_upper = true;
  for (int b = 0; b < 256; ++b) {
    const char16_t u = cp.Unit(static_cast<unsigned char>(b));
    unit[b] = u;
    keep[b] = (u == 0xFE || u == 0xFF) ? 0 : 1;
    unassigned[b] = static_cast<std::uint8_t>(u == 0xFFFD);
    const int back = u == 0xFFFD ? -1 : cp.Byte(u);
    out_byte[b] = static_cast<std::uint8_t>(back < 0 ? '?' : back);
    if (b < 0x80 && u != b) ascii_identity = false;
    if (b >= 0xA0 && u != b) latin1_upper = false;
    const bool should_drop = b >= 0xFE;
    if (should_drop == (keep[b] != 0)) drops_are_fe_ff = false;
    if (should_drop ? keep[b] != 0 : (keep[b] == 0 || out_byte[b] != b)) identity_fe_ff = false;
  }
  any_unassigned = std::find(unassigned.begin(), unassigned.end(), 1) != unassigned.end();
}

}  // namespace vkt::generate::internal
