#include "chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

constexpr int kWidth = 860, kHeight = 420;
constexpr int kLeft = 70, kRight = 20, kTop = 50, kBottom = 60;
constexpr int kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

// Bars of the share of games by cards played, 0 to 56; the bar of 56 cards, the won games, in a
// colour of its own. The scale of the share axis is a round step of percent.
std::string HistogramChart(const CensusTotals& totals, const std::string& title) {
    const double games = static_cast<double>(std::max<std::uint64_t>(totals.games, 1));
    double highest = 0;
    for (std::uint64_t n : totals.cardsPlayed)
        highest = std::max(highest, 100.0 * static_cast<double>(n) / games);
    double step = highest > 20 ? 5 : highest > 8 ? 2 : highest > 4 ? 1 : 0.5;
    double top = std::max(step, std::ceil(highest / step) * step);
    auto y = [&](double percent) { return kTop + kPlotHeight * (1 - percent / top); };
    const double slot = static_cast<double>(kPlotWidth) / (kPlayingCards + 1);

    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << kHeight << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight
        << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << kWidth / 2 << "\" y=\"28\" text-anchor=\"middle\" font-size=\"16\">"
        << Escaped(title) << "</text>\n";
    for (double percent = 0; percent <= top + 1e-9; percent += step) {
        svg << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + kPlotWidth << "\" y1=\""
            << Number(y(percent)) << "\" y2=\"" << Number(y(percent))
            << "\" stroke=\"#ddd\"/>\n<text x=\"" << kLeft - 6 << "\" y=\""
            << Number(y(percent) + 4) << "\" text-anchor=\"end\">" << Number(percent)
            << " %</text>\n";
    }
    for (int cards = 0; cards <= kPlayingCards; ++cards) {
        double percent = 100.0 * static_cast<double>(totals.cardsPlayed[cards]) / games;
        bool won = cards == kPlayingCards;
        svg << "<rect x=\"" << Number(kLeft + cards * slot + 1) << "\" y=\"" << Number(y(percent))
            << "\" width=\"" << Number(slot - 2) << "\" height=\""
            << Number(kTop + kPlotHeight - y(percent)) << "\" fill=\""
            << (won ? "#d9822b" : "#4a78b0") << "\"><title>" << cards
            << " cards: " << totals.cardsPlayed[cards] << " games</title></rect>\n";
        if (cards % 8 == 0 || won)
            svg << "<text x=\"" << Number(kLeft + (cards + 0.5) * slot) << "\" y=\""
                << kTop + kPlotHeight + 16 << "\" text-anchor=\"middle\">" << cards << "</text>\n";
    }
    double won = 100.0 * static_cast<double>(totals.cardsPlayed[kPlayingCards]) / games;
    svg << "<text x=\"" << Number(kLeft + kPlotWidth - slot / 2) << "\" y=\"" << Number(y(won) - 6)
        << "\" text-anchor=\"end\" fill=\"#d9822b\">won: " << Number(won) << " %</text>\n"
        << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + kPlotWidth << "\" y1=\""
        << kTop + kPlotHeight << "\" y2=\"" << kTop + kPlotHeight << "\" stroke=\"black\"/>\n"
        << "<text x=\"" << kLeft + kPlotWidth / 2 << "\" y=\"" << kHeight - 16
        << "\" text-anchor=\"middle\">cards played to the foundations</text>\n"
        << "<text transform=\"translate(18 " << kTop + kPlotHeight / 2
        << ") rotate(-90)\" text-anchor=\"middle\">share of games</text>\n</svg>\n";
    return svg.str();
}
