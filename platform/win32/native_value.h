// Hands a value across between our declarations (winapi.h) and the
// platform's own (windows.h). The two describe the same ABI with different
// C++ types: DWORD is uint32_t here and unsigned long there, handles are
// void * here and pointers to tag structs there, records are distinct types
// of one layout. A NativeValue converts to whatever type the receiving side
// declares, and refuses at compile time any pair whose sizes differ.
#pragma once

#include <cstring>
#include <type_traits>

namespace win32 {

template <typename To, typename From>
To ConvertValue(From value) {
  static_assert(sizeof(To) == sizeof(From), "the two declarations disagree on size");
  if constexpr (std::is_same_v<To, From>) {
    return value;
  } else if constexpr (std::is_pointer_v<To> && std::is_pointer_v<From>) {
    using ToTarget = std::remove_cv_t<std::remove_pointer_t<To>>;
    using FromTarget = std::remove_cv_t<std::remove_pointer_t<From>>;
    if constexpr (std::is_object_v<ToTarget> && std::is_object_v<FromTarget> &&
                  !std::is_void_v<ToTarget> && !std::is_void_v<FromTarget>) {
      static_assert(sizeof(ToTarget) == sizeof(FromTarget),
                    "the two declarations point at records of different sizes");
    }
    return reinterpret_cast<To>(value);
  } else if constexpr (std::is_arithmetic_v<To> && std::is_arithmetic_v<From>) {
    return static_cast<To>(value);
  } else {
    // A record passed by value (COORD): same layout, checked in layouts.cpp.
    static_assert(std::is_class_v<To> && std::is_class_v<From>, "no conversion for this pair");
    static_assert(std::is_trivially_copyable_v<To> && std::is_trivially_copyable_v<From>,
                  "records crossing the seam are plain data");
    To out;
    std::memcpy(&out, &value, sizeof out);
    return out;
  }
}

template <typename From>
struct NativeValue {
  From value;

  template <typename To>
  operator To() const {
    return ConvertValue<To>(value);
  }
};

template <typename From>
NativeValue<From> AsNative(From value) {
  return NativeValue<From>{value};
}

}  // namespace win32
