#pragma once
// Shift_JIS for libxml2. libxml2 would otherwise reach glibc's SHIFT_JIS
// through iconv, which turns 0x5C into a yen sign and refuses the NEC and IBM
// extensions (①, ㈱, the IBM kanji) that delivery files carry. Our own handler,
// on the code page tables of core/sjis, is registered under the names files
// declare: shift_jis, Shift_JIS, x-sjis and windows-31j.
namespace zb {

// Registers the handler once per process; later calls do nothing.
void registerShiftJisForLibxml2();

}  // namespace zb
