// The C++ runtime that the program needs, on malloc: operator new/delete and the library's
// error hooks. Linking these here keeps libstdc++ out of the binary; with exceptions off, an
// error the containers report (out of memory, a bad length) ends the process.
#include <cstdlib>
#include <memory>
#include <new>

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) std::abort();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace std {
__attribute__((__noreturn__)) void __throw_bad_alloc() { abort(); }
__attribute__((__noreturn__)) void __throw_bad_array_new_length() { abort(); }
__attribute__((__noreturn__)) void __throw_length_error(const char*) { abort(); }
__attribute__((__noreturn__)) void __throw_logic_error(const char*) { abort(); }
__attribute__((__noreturn__)) void __throw_out_of_range(const char*) { abort(); }
__attribute__((__noreturn__)) void __throw_out_of_range_fmt(const char*, ...) { abort(); }
__attribute__((__noreturn__)) void __throw_invalid_argument(const char*) { abort(); }
}  // namespace std

extern "C" [[noreturn]] void __cxa_pure_virtual() { abort(); }

// Unoptimised builds call allocator<char>'s members out of line, and the library headers
// declare them instantiated in libstdc++; instantiate them here instead.
template class std::allocator<char>;
