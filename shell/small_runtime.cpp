// Replacements, for the shipped program only, of two parts of the static C++
// runtime that would otherwise make up half of the file.
//
// - The default terminate handler demangles the type of an escaped exception
//   and prints it on stderr, which a windowed program does not have. It
//   brings in the whole demangler and printf; this one ends the process as
//   that handler does after printing.
// - libstdc++ keeps every std::__throw_* helper in one object. Its logic_error
//   family carries its message in a reference-counted string of the old ABI,
//   so linking any one helper (std::string and std::vector call them) adds a
//   second std::string implementation. The linker can't drop the unused
//   parts: on this target it keeps every .eh_frame, and those keep their
//   functions. All helpers of that object are defined here, so that it is
//   never linked (a helper missing here would bring it back, and the link
//   would stop on the duplicates).
//
// What the program meets stays the same: out of memory throws std::bad_alloc,
// which the program handles. A size past what the address space could hold
// (length_error) is the same condition for it and throws std::bad_alloc too.
// The others mean a fault in the program; nothing catches their exact types,
// so they throw one small exception type that keeps the library's message.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class RuntimeFault : public std::exception {
public:
    explicit RuntimeFault(const char* message) : message_(message) {}
    const char* what() const noexcept override { return message_ != nullptr ? message_ : "runtime fault"; }

private:
    // The library passes string literals.
    const char* message_;
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_length_error(const char*) {
    throw bad_alloc();
}
void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* message) {
    throw RuntimeFault(message);
}
void __throw_domain_error(const char* message) {
    throw RuntimeFault(message);
}
void __throw_invalid_argument(const char* message) {
    throw RuntimeFault(message);
}
void __throw_out_of_range(const char* message) {
    throw RuntimeFault(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw RuntimeFault(format);
}
void __throw_runtime_error(const char* message) {
    throw RuntimeFault(message);
}
void __throw_range_error(const char* message) {
    throw RuntimeFault(message);
}
void __throw_overflow_error(const char* message) {
    throw RuntimeFault(message);
}
void __throw_underflow_error(const char* message) {
    throw RuntimeFault(message);
}
}  // namespace std
