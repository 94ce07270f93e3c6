#pragma once
// The words, names and text that the benchmark tools generate: a fixed word
// list, a seeded random generator, file and folder names in the shapes people
// use, and sentences. Everything follows from the seed, so a tree or a name
// list is the same on every machine.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zbbench {

// The words of names and text: a few hundred common English words, all lower
// case ASCII.
constexpr std::string_view kWords[] = {
    "about",    "account",  "action",   "address",  "admin",    "after",     "again",    "agent",
    "album",    "answer",   "apple",    "april",    "archive",  "area",      "army",     "article",
    "artist",   "august",   "autumn",   "backup",   "balance",  "bank",      "base",     "basket",
    "beach",    "before",   "begin",    "bill",     "bird",     "black",     "blue",     "board",
    "boat",     "body",     "book",     "bottle",   "bottom",   "branch",    "bread",    "bridge",
    "bright",   "brother",  "brown",    "budget",   "build",    "business",  "button",   "cable",
    "camera",   "camp",     "candle",   "capital",  "card",     "carpet",    "case",     "castle",
    "center",   "chain",    "chair",    "change",   "chapter",  "chart",     "check",    "child",
    "church",   "circle",   "city",     "class",    "client",   "clock",     "cloud",    "club",
    "coast",    "code",     "coffee",   "color",    "common",   "company",   "config",   "contact",
    "copy",     "corner",   "cotton",   "country",  "course",   "cover",     "credit",   "cross",
    "crowd",    "culture",  "cup",      "current",  "daily",    "dance",     "data",     "date",
    "daughter", "day",      "debug",    "december", "design",   "desk",      "detail",   "dinner",
    "direct",   "doctor",   "document", "door",     "double",   "draft",     "dream",    "dress",
    "drive",    "driver",   "early",    "earth",    "east",     "edge",      "editor",   "effect",
    "energy",   "engine",   "evening",  "event",    "example",  "export",    "face",     "family",
    "farm",     "father",   "feature",  "field",    "figure",   "file",      "final",    "finance",
    "fire",     "first",    "fish",     "flower",   "folder",   "font",      "food",     "forest",
    "form",     "forward",  "friday",   "friend",   "front",    "fruit",     "future",   "game",
    "garden",   "glass",    "gold",     "green",    "ground",   "group",     "guide",    "hand",
    "happy",    "header",   "health",   "heart",    "history",  "holiday",   "home",     "horse",
    "hotel",    "house",    "image",    "import",   "index",    "inside",    "invoice",  "island",
    "january",  "job",      "journal",  "july",     "june",     "kernel",    "key",      "kitchen",
    "label",    "lake",     "language", "large",    "layer",    "leader",    "letter",   "level",
    "library",  "light",    "line",     "link",     "list",     "local",     "lunch",    "machine",
    "mail",     "main",     "manual",   "march",    "market",   "master",    "meeting",  "member",
    "memory",   "menu",     "message",  "method",   "middle",   "minute",    "model",    "monday",
    "money",    "month",    "morning",  "mother",   "mountain", "movie",     "music",    "native",
    "network",  "news",     "night",    "north",    "note",     "notes",     "number",   "object",
    "ocean",    "office",   "open",     "orange",   "order",    "output",    "owner",    "package",
    "page",     "paint",    "paper",    "parent",   "party",    "patch",     "people",   "picture",
    "piece",    "place",    "plan",     "planet",   "plant",    "player",    "pocket",   "point",
    "policy",   "portal",   "power",    "present",  "price",    "print",     "private",  "problem",
    "process",  "product",  "profile",  "project",  "public",   "purple",    "quarter",  "queen",
    "question", "quick",    "radio",    "random",   "reader",   "record",    "release",  "remote",
    "report",   "request",  "result",   "review",   "river",    "road",      "rock",     "room",
    "round",    "rule",     "sales",    "sample",   "saturday", "school",    "science",  "screen",
    "script",   "season",   "second",   "secret",   "server",   "service",   "setup",    "shadow",
    "share",    "ship",     "shop",     "short",    "signal",   "silver",    "simple",   "sister",
    "small",    "snow",     "source",   "south",    "space",    "speech",    "spring",   "square",
    "stage",    "standard", "station",  "status",   "stone",    "story",     "street",   "student",
    "studio",   "style",    "summer",   "sunday",   "supply",   "system",    "table",    "target",
    "teacher",  "team",     "temp",     "test",     "theme",    "thing",     "thursday", "ticket",
    "today",    "tool",     "tower",    "track",    "train",    "travel",    "tree",     "tuesday",
    "union",    "update",   "user",     "valley",   "value",    "version",   "video",    "village",
    "visit",    "voice",    "water",    "weather",  "website",  "wednesday", "week",     "west",
    "white",    "window",   "winter",   "wood",     "work",     "world",     "writer",   "year",
    "yellow",   "young",    "zone",
};

// Words with letters beyond ASCII (UTF-8), in a few names.
constexpr std::string_view kUnicodeWords[] = {"café",   "résumé", "Übersicht", "naïve",
                                              "Straße", "Ärger",  "señor",     "Дом"};

// Extensions of the small files (no archive extensions: archives are real ZIPs).
constexpr std::string_view kSmallExts[] = {
    ".txt",  ".doc", ".c",    ".h",   ".jpg", ".png", ".pdf", ".log", ".md",  ".cpp",
    ".html", ".xml", ".json", ".csv", ".xls", ".ppt", ".mp3", ".wav", ".bmp", ".gif",
    ".ini",  ".cfg", ".sh",   ".py",  ".js",  ".css", ".dat", ".bin", ".o",   ".so",
};

// Extensions of the text files.
constexpr std::string_view kTextExts[] = {".txt", ".md",   ".log", ".c",   ".h",
                                          ".csv", ".html", ".xml", ".ini", ".doc"};

// xoshiro256** seeded through splitmix64.
class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (auto& s : m_state) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = Rotl(m_state[3], 45);
        return result;
    }

    // Uniform in [0, n); n > 0.
    std::uint64_t Below(std::uint64_t n) {
        return static_cast<std::uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
    }
    bool PerMille(unsigned chance) { return Below(1000) < chance; }

    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<std::uint64_t, 4> m_state{};
};
inline std::string Capitalised(std::string_view word) {
    std::string s(word);
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

inline std::string Upper(std::string_view word) {
    std::string s(word);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A word as it appears in a name: mostly lower case, sometimes capitalised or
// all upper case, now and then one of the words with letters beyond ASCII.
inline std::string NameWord(Rng& rng) {
    const auto r = rng.Below(100);
    if (r == 99)
        return std::string(rng.Pick(kUnicodeWords));
    const std::string_view w = rng.Pick(kWords);
    if (r < 12)
        return Capitalised(w);
    if (r < 15)
        return Upper(w);
    return std::string(w);
}

inline std::string FolderName(Rng& rng) {
    switch (rng.Below(6)) {
        case 0:
            return Capitalised(rng.Pick(kWords));
        case 1:
            return NameWord(rng) + "_" + NameWord(rng);
        case 2:
            return NameWord(rng) + "-" + NameWord(rng);
        case 3:
            return NameWord(rng) + std::to_string(1990 + rng.Below(36));
        case 4:
            return Capitalised(rng.Pick(kWords)) + " " + Capitalised(rng.Pick(kWords));
        default:
            return std::string(rng.Pick(kWords));
    }
}

inline std::string FileBaseName(Rng& rng) {
    switch (rng.Below(7)) {
        case 0:
            return NameWord(rng);
        case 1:
            return NameWord(rng) + "_" + NameWord(rng);
        case 2:
            return NameWord(rng) + "-" + std::to_string(rng.Below(100));
        case 3:
            return NameWord(rng) + std::to_string(rng.Below(10000));
        case 4:
            return Capitalised(rng.Pick(kWords)) + " " + NameWord(rng) + " " +
                   std::to_string(rng.Below(50));
        case 5:
            return "IMG_" + std::to_string(1000 + rng.Below(9000));
        default:
            return NameWord(rng) + "." + NameWord(rng);
    }
}

// At least `size` bytes of sentences made of the words, one to a line.
inline std::string MakeCorpus(Rng& rng, std::size_t size) {
    std::string corpus;
    corpus.reserve(size + 256);
    while (corpus.size() < size) {
        const auto words = 6 + rng.Below(10);
        for (std::uint64_t i = 0; i < words; ++i) {
            const std::string_view w = rng.Pick(kWords);
            if (i == 0)
                corpus += Capitalised(w);
            else
                corpus += w;
            if (i + 1 < words)
                corpus += rng.Below(12) == 0 ? ", " : " ";
        }
        corpus += ".\n";
    }
    return corpus;
}

}  // namespace zbbench
