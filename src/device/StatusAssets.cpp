#include "StatusHtml.h"

// The page's styles and script, inline so that one request draws the page.

const char* const StatusHtml::Styles = R"css(
*{box-sizing:border-box}
body{margin:0 auto;max-width:1100px;padding:8px;font:15px/1.35 "DejaVu Sans",sans-serif;
color:#111;background:#fafafa}
h2{font-size:1.1em;margin:18px 0 6px;border-bottom:1px solid #ccc}
h3{font-size:.95em;margin:0 0 4px}
#safety{text-align:center;padding:10px;border-radius:8px;background:#fff;border:1px solid #ddd}
#verdict{font-size:2.6em;font-weight:bold;padding:6px;border-radius:6px}
#verdict.safe{background:#80ff80}#verdict.unsafe{background:#ff8080}
#reason{font-size:1.25em;margin:6px 0}
#safety p{margin:4px 0}
.frames{display:flex;flex-wrap:wrap;gap:8px}
.frame{flex:1 1 160px;background:#fff;border:1px solid #ddd;border-radius:6px;padding:6px}
table{border-collapse:collapse}
th{font-weight:normal;text-align:left;padding:2px 4px}
td.f{min-width:4.5em;padding:2px 6px;text-align:right;border:1px solid #bbb}
td.u{padding:2px 4px}
.b{font-weight:bold}
.grey{background:#e0e0e0}.green{background:#80ff80}.yellow{background:#ffff80}
.red{background:#ff8080}
.fct{width:100%;max-width:640px}.fct th{text-align:center;font-weight:bold}
.fct td.f{text-align:center}
.when,.limits{color:#444;margin:2px 0 6px}.limits span{margin-right:1em}
nav button{font:inherit;padding:6px 14px;margin-right:6px;border:1px solid #888;
border-radius:5px;background:#fff}
nav button.on{background:#333;color:#fff}
#tip{min-height:1.4em;margin:4px 0;color:#900}
#graphs{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(100%,420px),1fr));gap:10px}
figure{margin:0;background:#fff;border:1px solid #ddd;border-radius:6px;padding:4px}
figcaption{font-weight:bold;font-size:.9em}
svg{width:100%;height:auto;display:block}
svg text{font-size:14px;fill:#444}.ax{text-anchor:end}
rect.night{fill:#d8dcef}rect.unsafe{fill:#ff8080;fill-opacity:.35;cursor:pointer}
path.failed{stroke:#c00;stroke-width:3}
line.limit{stroke:#c00;stroke-dasharray:5 3}
polyline{fill:none;stroke-width:1.6}
polyline.s0{stroke:#1f5fbf}polyline.s1{stroke:#e08000}
.legend{font-size:.85em}.k{margin-right:1em}.k:before{content:"";display:inline-block;
width:14px;height:3px;margin-right:4px;vertical-align:middle}
.k.s0:before{background:#1f5fbf}.k.s1:before{background:#e08000}
@media (max-width:500px){#verdict{font-size:2em}body{font-size:14px}}
)css";

const char* const StatusHtml::Script = R"js(
(function () {
  var hours = +document.getElementById('graphs').dataset.hours;
  var seen = null;
  function two(n) { return (n < 10 ? '0' : '') + n; }
  function span(ms) {
    var s = Math.max(0, Math.round(ms / 1000)), m = Math.floor(s / 60), h = Math.floor(m / 60);
    return h > 0 ? h + ' h ' + two(m % 60) + ' min' : m + ' min ' + two(s % 60) + ' s';
  }
  function tick() {
    var now = Date.now(), c = document.getElementById('countdown'),
        a = document.getElementById('age');
    if (c) c.textContent = span(+c.dataset.until - now);
    if (a) a.textContent = span(now - +a.dataset.since);
  }
  function load() {
    return fetch('/nubora/v1/parts?hours=' + hours).then(function (r) {
      if (!r.ok) throw new Error(r.status);
      return r.json();
    }).then(function (p) {
      seen = p.key;
      ['safety', 'current', 'forecast', 'graphs'].forEach(function (id) {
        document.getElementById(id).innerHTML = p[id];
      });
      tick();
    });
  }
  function check() {
    fetch('/nubora/v1/state').then(function (r) { return r.json(); }).then(function (s) {
      var key = s.version;
      if (seen === null) seen = key;
      else if (key !== seen) return load();
    }).catch(function () {});
  }
  document.getElementById('spans').addEventListener('click', function (e) {
    var b = e.target.closest('button');
    if (!b) return;
    hours = +b.dataset.hours;
    document.querySelectorAll('#spans button').forEach(function (x) {
      x.classList.toggle('on', x === b);
    });
    load().catch(function () {});
  });
  document.getElementById('graphs').addEventListener('click', function (e) {
    var r = e.target.closest('rect.unsafe, path.failed');
    var t = r && r.querySelector('title');
    document.getElementById('tip').textContent = t ? t.textContent : '';
  });
  tick();
  setInterval(tick, 1000);
  check();
  setInterval(check, 10000);
})();
)js";
