#include "ranges/osv.hpp"

#include "ranges/set_union.hpp"

#include <algorithm>
#include <string>

#include "ranges/cut.hpp"

namespace tambry::ranges {
namespace {

// An event of the timeline (every kind but limit), with its version's key.
struct TimelineEvent {
    OsvEventKind kind;
    bool from_start;  // "0" in introduced: before every version
    std::string key;
    std::string text;
};

// Where an event starts to apply, and its place in the sorted timeline.
struct Firing {
    const TimelineEvent* event;
    std::size_t place;
    Cut cut;  // ignored for an event that applies from the start
};

class OsvReader {
public:
    OsvReader(const RangeScheme& scheme, std::string_view head) : scheme_(scheme), head_(head) {}

    RangeResult<IntervalSet> range(const OsvRange& range, std::string_view path) {
        if (range.type == "GIT") {
            return Failure{error(std::string(path) +
                                 "type: 'GIT' ranges place versions by the repository's commit graph, "
                                 "which only the repository has; tambry reads ECOSYSTEM and SEMVER ranges")};
        }
        if (range.type != "ECOSYSTEM" && range.type != "SEMVER") {
            return Failure{error(std::string(path) + "type: unsupported range type " + quoted(range.type))};
        }
        std::vector<TimelineEvent> timeline;
        std::vector<Piece> limits;
        bool limited = false;
        for (std::size_t i = 0; i < range.events.size(); ++i) {
            const OsvEvent& event = range.events[i];
            const std::string where =
                std::string(path) + "events[" + std::to_string(i) + "]." + std::string(osv_event_name(event.kind));
            if (event.kind == OsvEventKind::Limit && event.version.find('*') != std::string_view::npos) {
                limits.push_back({std::nullopt, std::nullopt});
                limited = true;
                continue;
            }
            if (event.kind == OsvEventKind::Introduced && event.version == "0") {
                timeline.push_back({event.kind, true, {}, {}});
                continue;
            }
            const std::string text = ecosystem_text(event.version);
            KeyBuffer key;
            if (!scheme_.key(text, key)) return Failure{invalid_version(where, text)};
            if (event.kind == OsvEventKind::Limit) {
                limits.push_back({std::nullopt, cut_below_key(key_view(key), text)});
                limited = true;
            } else {
                timeline.push_back({event.kind, false, std::string(key_view(key)), text});
            }
        }
        IntervalSet affected = walk(timeline);
        return limited ? affected.intersect(IntervalSet::union_of(std::move(limits))) : affected;
    }

    // The version as the ecosystem's own order reads it.
    std::string ecosystem_text(std::string_view version) const {
        std::string text;
        if (scheme_.ecosystem == NativeEcosystem::Golang && !version.starts_with('v')) text.push_back('v');
        text.append(version);
        return text;
    }

    RangeError error(std::string detail) const {
        std::string message(head_);
        message.append(": ");
        message.append(detail);
        return {RangeError::Kind::Malformed, std::move(message), {}, {}};
    }

private:
    RangeError invalid_version(std::string_view where, std::string_view text) const {
        std::string message(head_);
        message.append(": ");
        message.append(where);
        message.append(" is not a valid ");
        message.append(scheme_.name());
        message.append(" version: ");
        message.append(quoted(text));
        return {RangeError::Kind::InvalidVersion, std::move(message), std::string(text), std::string(scheme_.name())};
    }

    // The events' verdicts as a set: a version is affected when, of the events that
    // apply to it, the last in sorted order is an introduction. The events that
    // apply only grow from one version to the next, so the deciding event's place
    // only rises, and the set changes where it rises to an event of the other kind.
    static IntervalSet walk(std::vector<TimelineEvent>& timeline) {
        std::stable_sort(timeline.begin(), timeline.end(), [](const TimelineEvent& a, const TimelineEvent& b) {
            if (a.from_start || b.from_start) return a.from_start && !b.from_start;
            return a.key < b.key;
        });
        std::vector<Firing> firings;
        firings.reserve(timeline.size());
        for (std::size_t place = 0; place < timeline.size(); ++place) {
            const TimelineEvent& e = timeline[place];
            firings.push_back({&e, place,
                               e.kind == OsvEventKind::LastAffected ? cut_above_key(e.key, e.text)
                                                                    : cut_below_key(e.key, e.text)});
        }
        std::stable_sort(firings.begin(), firings.end(), [](const Firing& a, const Firing& b) {
            if (a.event->from_start || b.event->from_start) return a.event->from_start && !b.event->from_start;
            return a.cut.at < b.cut.at;
        });
        auto affected_after = [](const TimelineEvent* decider) {
            return decider && decider->kind == OsvEventKind::Introduced;
        };
        std::size_t i = 0;
        const TimelineEvent* decider = nullptr;
        std::size_t decider_place = 0;
        auto take = [&](const Firing& f) {
            if (!decider || f.place > decider_place) {
                decider = f.event;
                decider_place = f.place;
            }
        };
        for (; i < firings.size() && firings[i].event->from_start; ++i) take(firings[i]);
        const bool starts_inside = affected_after(decider);
        bool inside = starts_inside;
        std::vector<Cut> cuts;
        while (i < firings.size()) {
            const std::size_t group = i;
            for (; i < firings.size() && firings[i].cut.at == firings[group].cut.at; ++i) take(firings[i]);
            if (affected_after(decider) != inside) {
                inside = !inside;
                cuts.push_back(std::move(firings[group].cut));
            }
        }
        return IntervalSet::from_cuts(starts_inside, std::move(cuts));
    }

    const RangeScheme& scheme_;
    std::string_view head_;
};

}  // namespace

std::string_view osv_event_name(OsvEventKind kind) {
    switch (kind) {
        case OsvEventKind::Introduced:
            return "introduced";
        case OsvEventKind::Fixed:
            return "fixed";
        case OsvEventKind::LastAffected:
            return "last_affected";
        case OsvEventKind::Limit:
            return "limit";
    }
    return "";
}

RangeResult<VersionSet> osv_range_set(const RangeScheme& scheme, const OsvRange& range) {
    OsvReader reader(scheme, "invalid OSV range");
    auto set = reader.range(range, "");
    if (!set.ok()) return Failure{std::move(set.error())};
    return VersionSet::uniform(scheme, std::move(set.value()));
}

RangeResult<VersionSet> osv_affected_set(const RangeScheme& scheme, std::span<const OsvRange> ranges,
                                         std::span<const std::string_view> versions) {
    OsvReader reader(scheme, "invalid OSV affected entry");
    std::vector<Piece> listed;
    for (const std::string_view version : versions) {
        const std::string text = reader.ecosystem_text(version);
        KeyBuffer key;
        if (!scheme.key(text, key)) continue;
        listed.push_back({cut_below_key(key_view(key), text), cut_above_key(key_view(key), text)});
    }
    // The ranges' intervals join the listed versions' and all are united at once:
    // one by one, many ranges would cost the square of their number.
    SetUnion affected;
    affected.add(IntervalSet::union_of(std::move(listed)));
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (ranges[i].type == "GIT") continue;
        auto set = reader.range(ranges[i], "ranges[" + std::to_string(i) + "].");
        if (!set.ok()) return Failure{std::move(set.error())};
        affected.add(set.value());
    }
    return VersionSet::uniform(scheme, affected.finish());
}

}  // namespace tambry::ranges
