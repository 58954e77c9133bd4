#include "page.h"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

json Card(const TraceCard& card) {
    return json::array({card.suit, card.rank});
}

json Cards(const std::vector<TraceCard>& cards) {
    json list = json::array();
    for (const TraceCard& card : cards) list.push_back(Card(card));
    return list;
}

const char* KindName(StepKind kind) {
    switch (kind) {
        case StepKind::Deal:
            return "deal";
        case StepKind::FromApurivi:
            return "apurivi";
        case StepKind::Turn:
            return "turn";
        case StepKind::FromHand:
            return "hand";
        case StepKind::NewPass:
            return "pass";
        case StepKind::End:
            return "end";
    }
    return "";
}

json Table(const TraceTable& table) {
    json slots = json::array();
    for (int slot = 1; slot <= 8; ++slot)
        slots.push_back(table.slots[slot] ? Card(*table.slots[slot]) : json());
    return {{"foundations",
             {table.foundation[1], table.foundation[2], table.foundation[3], table.foundation[4]}},
            {"slots", slots},
            {"hidden", Cards(table.hidden)},
            {"hand", Cards(table.hand)},
            {"visible", Cards(table.visible)},
            {"kierros", table.kierros},
            {"played", table.played}};
}

// What the page shows: every game of the run in order, the traced ones step by step. Text that
// goes into the page's script is JSON, with "<" written as an escape so that it cannot end the
// script element.
std::string Data(const std::vector<RunGame>& run) {
    json games = json::array();
    for (const RunGame& game : run) {
        if (!game.traced) {
            games.push_back({{"traced", false}, {"statistics", game.statistics}});
            continue;
        }
        json steps = json::array();
        for (const TraceStep& step : game.game.steps)
            steps.push_back(
                {{"kind", KindName(step.kind)}, {"text", step.text}, {"table", Table(step.table)}});
        games.push_back({{"traced", true},
                         {"line", game.game.line},
                         {"statistics", game.game.statistics},
                         {"verdict", game.game.verdict},
                         {"steps", steps}});
    }
    std::string data = games.dump();
    std::string escaped;
    for (char c : data) {
        if (c == '<')
            escaped += "\\u003c";
        else
            escaped += c;
    }
    return escaped;
}

constexpr const char* kHead = R"page(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>pasianssi replay</title>
<style>
body { font-family: system-ui, sans-serif; margin: 0; background: #1f5130; color: #f4f1e8; }
header, main, footer { max-width: 1040px; margin: 0 auto; padding: 8px 16px; }
h1 { font-size: 20px; margin: 8px 0; }
.row { display: flex; gap: 10px; align-items: flex-start; margin: 10px 0; flex-wrap: wrap; }
.pile { display: flex; flex-direction: column; align-items: center; gap: 4px; font-size: 12px; }
.label { opacity: 0.85; }
.card { width: 64px; height: 90px; border-radius: 7px; background: #fffdf7; color: #222;
        border: 1px solid #777; display: flex; flex-direction: column; align-items: center;
        justify-content: center; font-size: 22px; font-weight: 600; box-shadow: 1px 2px 3px #0005; }
.card.red { color: #c0262d; }
.card .suit { font-size: 26px; line-height: 1; }
.card.empty { background: transparent; border: 2px dashed #9dbfa8; box-shadow: none; }
.card.back { background: repeating-linear-gradient(45deg, #2d4d8c, #2d4d8c 6px, #3b60a8 6px, #3b60a8 12px);
             color: #fff; font-size: 16px; }
.card.base { opacity: 0.55; }
.stack { display: flex; gap: 3px; flex-wrap: wrap; max-width: 420px; }
.stack .card { width: 44px; height: 62px; font-size: 15px; }
.stack .card .suit { font-size: 17px; }
#step-text { font-family: ui-monospace, monospace; background: #0003; padding: 8px; border-radius: 6px;
             min-height: 1.4em; white-space: pre-wrap; }
#gloss { font-style: italic; margin: 4px 0 8px; }
#controls { display: flex; gap: 6px; align-items: center; flex-wrap: wrap; }
#controls button { font-size: 16px; min-width: 44px; }
#slider { flex: 1; min-width: 200px; }
#verdict { font-size: 18px; font-weight: 600; margin: 6px 0; }
#games a, #games span { margin-right: 10px; color: #ffe9a8; }
.silent { font-family: ui-monospace, monospace; opacity: 0.8; }
</style>
</head>
<body>
<header>
<h1>pasianssi replay <span id="which"></span></h1>
<div id="games"></div>
</header>
<main>
<div class="row" id="foundations"></div>
<div class="row" id="apurivi"></div>
<div class="row">
  <div class="pile"><div class="label">piilopino (<span id="hidden-count"></span>)
    <label><input type="checkbox" id="show-hidden"> show</label></div><div class="stack" id="hidden"></div></div>
  <div class="pile"><div class="label">kasipakka (<span id="hand-count"></span>)</div><div id="hand"></div></div>
  <div class="pile"><div class="label">nakyvakasipakka (<span id="visible-count"></span>)</div><div class="stack" id="visible"></div></div>
</div>
<div id="status"></div>
<div id="step-text"></div>
<div id="gloss"></div>
<div id="verdict"></div>
<div id="controls">
  <button id="first" title="first step (Home)">|&#x25C0;</button>
  <button id="previous" title="previous step (&#x2190;)">&#x25C0;</button>
  <button id="play" title="play or pause (space)">play</button>
  <button id="next" title="next step (&#x2192;)">&#x25B6;</button>
  <button id="last" title="last step (End)">&#x25B6;|</button>
  <input type="range" id="slider" min="0" value="0">
  <span id="position"></span>
  <a id="link" href="#">link to this step</a>
</div>
<div id="silent"></div>
</main>
<script id="data" type="application/json">)page";

constexpr const char* kScript = R"page(</script>
<script>
"use strict";
const games = JSON.parse(document.getElementById("data").textContent);
const traced = games.map((g, i) => i).filter(i => games[i].traced);
const suits = [null, ["&#x2665;", "hertta", true], ["&#x2666;", "ruutu", true],
               ["&#x2663;", "risti", false], ["&#x2660;", "pata", false]];
const glosses = {
  deal: "The deck is dealt: a base card on each foundation, eight cards in the row (apurivi), eight face down in the hidden pile (piilopino) and the rest in the hand (kasipakka).",
  apurivi: "A card of the row goes to its foundation; the top card of the hidden pile, if any is left, fills its place.",
  turn: "The hand is turned a card at a time onto the visible pile (nakyvakasipakka) until a card fits or the hand is used up.",
  hand: "The top card of the visible pile goes to its foundation.",
  pass: "A new pass through the hand begins: the visible pile goes back into the hand, in the order it was turned.",
  end: "The game is over."
};
const verdictGlosses = {
  "Pasianssi meni lapi! :)": "The patience came out!",
  "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.": "The hand has been passed through five times: the patience did not come out.",
  "Ei kannata jatkaa. Kaikki seuraavaksi peruspakkaan kayvat kortit ovat piilopinossa.": "No point going on: every card the foundations need next lies in the hidden pile."
};
let game = 0, step = 0, timer = null;

function cardHtml(card, extra) {
  if (!card) return '<div class="card empty"></div>';
  const [symbol, name, red] = suits[card[0]];
  return '<div class="card' + (red ? " red" : "") + (extra || "") + '" data-card="' + name + " " + card[1] +
         '"><span class="suit">' + symbol + "</span>" + card[1] + "</div>";
}
function pile(id, label, inner) {
  return '<div class="pile"><div class="label">' + label + '</div><div id="' + id + '">' + inner + "</div></div>";
}
function show() {
  const g = games[traced[game]], steps = g.steps, s = steps[step], t = s.table;
  document.getElementById("which").textContent = "\u2014 traced game " + (game + 1) + " of " + traced.length;
  let html = "";
  for (let i = 0; i < 4; ++i) {
    const rank = t.foundations[i];
    html += pile("foundation-" + (i + 1), "peruspakka " + (i + 1),
                 cardHtml([i + 1, rank], rank === 1 ? " base" : ""));
  }
  document.getElementById("foundations").innerHTML = html;
  html = "";
  for (let i = 0; i < 8; ++i) html += pile("slot-" + (i + 1), "apurivi " + (i + 1), cardHtml(t.slots[i]));
  document.getElementById("apurivi").innerHTML = html;
  const showHidden = document.getElementById("show-hidden").checked;
  document.getElementById("hidden").innerHTML =
    t.hidden.map(c => showHidden ? cardHtml(c) : '<div class="card back"></div>').join("");
  document.getElementById("hidden-count").textContent = t.hidden.length;
  document.getElementById("hand").innerHTML = t.hand.length ? '<div class="card back">' + t.hand.length + "</div>" : cardHtml(null);
  document.getElementById("hand-count").textContent = t.hand.length;
  document.getElementById("visible").innerHTML = t.visible.length ? t.visible.slice(0, 8).map(c => cardHtml(c)).join("") : cardHtml(null);
  document.getElementById("visible-count").textContent = t.visible.length;
  document.getElementById("status").textContent = "Pass " + t.kierros + " of at most 5 \u00b7 " + t.played + " of 56 cards played";
  document.getElementById("step-text").textContent = s.text;
  document.getElementById("gloss").textContent = s.kind === "end" ? verdictGlosses[s.text] : glosses[s.kind];
  document.getElementById("verdict").textContent = s.kind === "end" ? "Win percentage after this game:" + g.statistics : "";
  const slider = document.getElementById("slider");
  slider.max = steps.length - 1;
  slider.value = step;
  document.getElementById("position").textContent = "step " + step + " of " + (steps.length - 1);
  const hash = "#game=" + (game + 1) + "&step=" + step;
  document.getElementById("link").href = hash;
  if (location.hash !== hash) history.replaceState(null, "", hash);
}
function go(to) {
  const last = games[traced[game]].steps.length - 1;
  step = Math.max(0, Math.min(last, to));
  if (step === last) pause();
  show();
}
function pause() {
  if (timer) clearInterval(timer);
  timer = null;
  document.getElementById("play").textContent = "play";
}
function play() {
  if (timer) return pause();
  timer = setInterval(() => go(step + 1), 700);
  document.getElementById("play").textContent = "pause";
}
function fromHash() {
  const params = new URLSearchParams(location.hash.slice(1));
  const g = parseInt(params.get("game") || "1", 10), s = parseInt(params.get("step") || "0", 10);
  game = Math.max(0, Math.min(traced.length - 1, (isNaN(g) ? 1 : g) - 1));
  go(isNaN(s) ? 0 : s);
}
function listGames() {
  let html = "", silent = "";
  games.forEach((g, i) => {
    if (g.traced) html += '<a href="#game=' + (traced.indexOf(i) + 1) + '&step=0">traced game ' + (traced.indexOf(i) + 1) + "</a>";
    else silent += '<div class="silent">game ' + (i + 1) + ", silent:" + g.statistics + "</div>";
  });
  document.getElementById("games").innerHTML = html;
  document.getElementById("silent").innerHTML = silent ? "<h2>Silent games of the run</h2>" + silent : "";
}
document.getElementById("first").onclick = () => go(0);
document.getElementById("previous").onclick = () => go(step - 1);
document.getElementById("next").onclick = () => go(step + 1);
document.getElementById("last").onclick = () => go(Infinity);
document.getElementById("play").onclick = play;
document.getElementById("slider").oninput = e => go(parseInt(e.target.value, 10));
document.getElementById("show-hidden").onchange = show;
document.addEventListener("keydown", e => {
  if (e.target.tagName === "INPUT" && e.target.type === "range") return;
  const keys = {ArrowLeft: () => go(step - 1), ArrowRight: () => go(step + 1), Home: () => go(0),
                End: () => go(Infinity), " ": play};
  if (keys[e.key]) { e.preventDefault(); keys[e.key](); }
});
window.addEventListener("hashchange", fromHash);
listGames();
if (traced.length) fromHash();
else document.querySelector("main").insertAdjacentHTML("afterbegin", "<p>This run has no traced game.</p>");
</script>
</body>
</html>
)page";

}  // namespace

std::string ReplayPage(const std::vector<RunGame>& run) {
    return kHead + Data(run) + kScript;
}
