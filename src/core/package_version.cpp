#include "package_version.hpp"

namespace tambry {

EpochSplit extract_epoch_colon(std::string_view text) {
    const DigitRun run = read_digit_run(text);
    if (run.length == 0 || run.length == text.size() || text[run.length] != ':' || !run.fits) return {0, text};
    return {run.value, text.substr(run.length + 1)};
}

Result<void, std::string> split_package_version(std::string_view text, std::string_view empty_message,
                                                PackageVersionParts& out) {
    const std::string_view trimmed = trim_white_space(text);
    if (trimmed.empty()) return Failure{std::string(empty_message)};
    const EpochSplit split = extract_epoch_colon(trimmed);
    const std::size_t dash = split.rest.rfind('-');
    out.epoch = split.epoch;
    out.version = split.rest.substr(0, dash);
    out.release = dash == std::string_view::npos ? std::string_view() : split.rest.substr(dash + 1);
    return {};
}

}  // namespace tambry
