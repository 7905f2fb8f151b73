// The leak checker of the sanitizer build reads these. Qt's font setup keeps
// fontconfig caches that fontconfig itself never frees; they are not ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
