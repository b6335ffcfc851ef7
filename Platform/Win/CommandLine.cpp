#include "CommandLine.h"

#include <string_view>
#include <utility>

#include "CodePage.h"

namespace win {

namespace {

std::string FaultText(int index, std::string_view argument, const StrictCp1250& converted) {
    return "argument " + std::to_string(index) + " (" + Utf8ToCp1250(argument) + ") " +
           Utf8FaultText(converted.fault, converted.offset);
}

}  // namespace

CommandLineError::CommandLineError(int index, const std::string& text) : std::runtime_error(text), m_index(index) {}

std::vector<std::string> CommandLineArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (i == 0) {
            arguments.push_back(Utf8ToCp1250(argument));
            continue;
        }
        StrictCp1250 converted = Utf8ToCp1250Strict(argument);
        if (converted.fault != Utf8Fault::None) throw CommandLineError(i, FaultText(i, argument, converted));
        arguments.push_back(std::move(converted.text));
    }
    return arguments;
}

}  // namespace win
