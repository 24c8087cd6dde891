// Prints how long parsing and writing a 1 MB JSON document take (best of several rounds).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "settings/mem_json.h"

namespace {

// About 1 MB of text in the pretty form: objects of strings, integers, reals and flags.
std::wstring MakeDocumentText() {
    CMemJson document;
    JsonArray& entries = document.root.Member(L"entries", JsonKind::Array).AsArray();
    for (int i = 0; document.ToText().size() < 1'000'000; ++i) {
        for (int k = 0; k < 500; ++k, ++i) {
            JsonValue& entry = entries.emplace_back();
            entry.SetString(L"name", L"Port COM" + std::to_wstring(i) + L" \u041a\"escaped\"\t");
            entry.Member(L"serial", JsonKind::Integer).SetInteger(i * 7919LL);
            entry.Member(L"ratio", JsonKind::Real).SetReal(i / 7.0);
            entry.Member(L"busy", JsonKind::Bool).SetBool(i % 2 == 0);
        }
    }
    return document.ToText();
}

template <typename F>
double BestMilliseconds(F&& run) {
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        auto start = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

}  // namespace

int main() {
    const std::wstring text = MakeDocumentText();
    const double megabytes = static_cast<double>(text.size()) / 1e6;  // characters, ASCII mostly

    size_t written = 0;
    double parseMs = BestMilliseconds([&] {
        CMemJson document;
        if (!document.LoadText(text))
            std::fprintf(stderr, "parse failed\n");
    });
    CMemJson document;
    document.LoadText(text);
    double writeMs = BestMilliseconds([&] { written = document.ToText().size(); });

    std::printf("document: %zu characters (%.2f MB)\n", text.size(), megabytes);
    std::printf("parse: %.2f ms per MB\n", parseMs / megabytes);
    std::printf("write: %.2f ms per MB (%zu characters)\n", writeMs / megabytes, written);
    return 0;
}
