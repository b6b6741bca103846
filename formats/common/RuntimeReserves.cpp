// Every plug-in module carries the C++ runtime inside it, and with it a pool the runtime
// reserves for throwing exceptions when memory is short. Nothing frees that pool, so every
// unload of the module would leak it; it is released when the module goes.

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __freeres() noexcept;
}
__attribute__((destructor)) static void releaseRuntimeReserves() { __gnu_cxx::__freeres(); }
#endif
