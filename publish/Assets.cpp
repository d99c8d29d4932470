#include "publish/Assets.h"

namespace publish {

QString styleSheet() {
    return QStringLiteral(R"css(* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; text-size-adjust: 100%; }
body { margin: 0 auto; padding: 0.75rem; max-width: 75rem; font: 16px/1.4 "DejaVu Sans", Arial, sans-serif;
       color: #1a1a1a; background: #fff; }
h1 { font-size: 1.35rem; margin: 0.25rem 0; overflow-wrap: anywhere; }
h2 { font-size: 1.15rem; margin: 0.25rem 0; overflow-wrap: anywhere; }
p { margin: 0.25rem 0; overflow-wrap: anywhere; }
.meta { color: #4a4a4a; font-size: 0.9rem; }
.status { font-weight: bold; }
.status.final { color: #0b5a2a; }
.status.prelim { color: #8a4500; }
a { color: #174ea6; }
.scroll { overflow: auto; max-height: 80vh; border: 1px solid #b8bec6; margin: 0.5rem 0; }
.scroll:focus { outline: 2px solid #174ea6; outline-offset: 1px; }
table { border-collapse: collapse; width: 100%; }
caption { text-align: left; font-weight: bold; padding: 0.4rem 0.5rem; }
th, td { padding: 0.35rem 0.5rem; border-bottom: 1px solid #dde1e6; text-align: left; white-space: nowrap;
         vertical-align: top; }
thead th { position: sticky; top: 0; background: #e8edf3; z-index: 1; }
tbody th { font-weight: bold; }
tbody tr:nth-child(even) { background: #f6f7f9; }
.num { text-align: right; font-variant-numeric: tabular-nums; }
td.school { white-space: normal; min-width: 12rem; }
thead th button { background: none; border: 0; padding: 0; font: inherit; color: inherit; cursor: pointer;
                  text-align: inherit; }
.search { margin: 0.5rem 0; }
.search input { font: inherit; padding: 0.3rem 0.4rem; width: 100%; max-width: 22rem; }
[hidden] { display: none; }
@media print {
  body { max-width: none; padding: 0; font-size: 10pt; }
  .up, .search, .files { display: none; }
  .scroll { overflow: visible; max-height: none; border: 0; }
  thead { display: table-header-group; }
  thead th { position: static; }
  tr { break-inside: avoid; }
  main { break-after: page; }
  a { color: inherit; text-decoration: none; }
}
)css");
}

// Without it the pages read the same: it only adds a search box over each results table and
// buttons in its headings that sort by that column.
QString tableScript() {
    return QStringLiteral(R"js((function () {
  'use strict';
  function value(cell) {
    var t = cell ? cell.textContent.trim() : '';
    var n = t.replace(',', '.');
    return t !== '' && !isNaN(n) ? { n: parseFloat(n) } : { t: t.toLowerCase() };
  }
  function compare(a, b) {
    if (a.t === '' || b.t === '') return (a.t === '') - (b.t === '');
    if ('n' in a && 'n' in b) return a.n - b.n;
    if ('n' in a) return -1;
    if ('n' in b) return 1;
    return a.t.localeCompare(b.t, 'ru');
  }
  function sortable(table) {
    var heads = table.tHead.rows[0].cells, body = table.tBodies[0];
    Array.prototype.forEach.call(heads, function (th, col) {
      var button = document.createElement('button');
      button.type = 'button';
      button.textContent = th.textContent;
      th.textContent = '';
      th.appendChild(button);
      button.addEventListener('click', function () {
        var up = th.getAttribute('aria-sort') !== 'ascending';
        Array.prototype.forEach.call(heads, function (h) { h.removeAttribute('aria-sort'); });
        th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
        var rows = Array.prototype.slice.call(body.rows);
        rows.sort(function (a, b) {
          var c = compare(value(a.cells[col]), value(b.cells[col]));
          return up ? c : -c;
        });
        rows.forEach(function (r) { body.appendChild(r); });
      });
    });
  }
  function searchable(table) {
    var box = table.parentNode, label = document.createElement('label'), input = document.createElement('input');
    label.className = 'search';
    label.textContent = 'Поиск: ';
    input.type = 'search';
    label.appendChild(input);
    box.parentNode.insertBefore(label, box);
    input.addEventListener('input', function () {
      var q = input.value.trim().toLowerCase();
      Array.prototype.forEach.call(table.tBodies[0].rows, function (r) {
        r.hidden = q !== '' && r.textContent.toLowerCase().indexOf(q) < 0;
      });
    });
  }
  Array.prototype.forEach.call(document.querySelectorAll('table.results'), function (t) {
    sortable(t);
    searchable(t);
  });
})();
)js");
}

}  // namespace publish
