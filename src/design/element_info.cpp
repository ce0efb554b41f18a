#include "design/element_info.h"

#include <charconv>

namespace cellwatch {

namespace {

template <typename T> std::string decimal(T value) {
    char buf[16];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string placeText(std::int32_t value) {
    return value < 0 ? std::string("n\\a") : decimal(value);
}

} // namespace

const char* elementTypeText(const DesignElement& element) {
    switch (element.type) {
    case ElementType::Symbol:
        return element.combinatorial == 0 ? "Sequential logic" : "Combinatorial logic";
    case ElementType::Composite:
        return "Composite";
    case ElementType::Group:
        return "Group";
    case ElementType::SoftwareClock:
        return "Software clock";
    }
    return "";
}

ElementInfo elementInfo(const DesignElement& element) {
    ElementInfo info;
    info.name = element.fullName;
    info.type = elementTypeText(element);
    info.size = decimal(element.size);
    info.column = placeText(element.column);
    info.row = placeText(element.row);
    return info;
}

} // namespace cellwatch
