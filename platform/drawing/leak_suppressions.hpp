// LeakSanitizer suppressions for programs that draw text.
//
// fontconfig and pango keep process-lifetime caches (the parsed font
// configuration, font sets, a font-loading thread) that are never freed and
// that LeakSanitizer reports as leaks at exit. This defines the sanitizer's
// default-suppressions hook for those two libraries only, so leaks in our
// own code still fail a sanitizer run.
//
// Include from exactly one source file of a program (the one with main, or a
// test file); it defines a function. Without AddressSanitizer it is empty.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define MARAVEL_LEAK_SUPPRESSIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MARAVEL_LEAK_SUPPRESSIONS 1
#endif
#endif

#ifdef MARAVEL_LEAK_SUPPRESSIONS
// Keeps stderr free of the suppression summary: the thumbnailer's stderr is
// part of its contract.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libpangoft2-1.0.so\n";
}
#endif
