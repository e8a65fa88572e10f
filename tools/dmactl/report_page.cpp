// report_page.cpp - the report page's escape, style and script.
#include "report_page.h"

namespace dmactl {

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string ScriptJson(const dmaclient::Json &j) {
    const std::string text = j.dump(-1, ' ', false, dmaclient::Json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<') out += "\\u003c";
        else out += c;
    }
    return out;
}

const char *ReportStyle() {
    return R"css(
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222;background:#fff}
h1{font-size:1.4em}h2{font-size:1.2em;margin-top:1.6em}h3{font-size:1em;margin:1.2em 0 .3em}
table{border-collapse:collapse;margin:.3em 0}
th,td{border:1px solid #ccc;padding:2px 6px;text-align:left;vertical-align:top}
th{background:#eee}th.sort{cursor:pointer}th.sort:after{content:" \2195";color:#999}
td.num{text-align:right;font-variant-numeric:tabular-nums}
td.v{font-family:ui-monospace,monospace;white-space:pre-wrap;word-break:break-all}
.meaning{color:#555;font-style:italic}
tr.changed td{background:#fff3bf}tr.target td{outline:2px solid #d9480f}
.old{color:#a61e4d;text-decoration:line-through}.new{color:#2b8a3e}
.refused{border:2px solid #c92a2a;background:#fff5f5;padding:.6em 1em;white-space:pre-wrap}
#filter{font-size:1em;padding:3px 6px;width:24em}
.maps{display:flex;flex-wrap:wrap;gap:1.5em;align-items:flex-start}
figure{margin:0}figcaption{font-weight:600;margin-bottom:.3em}
canvas{display:block;border:1px solid #999}canvas:focus{outline:2px solid #1c7ed6}
.legend span{display:inline-block;margin-right:1em}
.legend i{display:inline-block;width:.9em;height:.9em;margin-right:.3em;vertical-align:-.1em;border:1px solid #888}
#tip{position:fixed;pointer-events:none;background:#222;color:#fff;padding:3px 6px;font-size:12px;
 border-radius:3px;display:none;max-width:40em;z-index:5}
.strip{display:flex;height:2.2em;border:1px solid #999;position:relative;margin:.4em 0 1.6em}
.strip div{border-right:1px solid #fff;overflow:hidden;white-space:nowrap;font-size:11px;padding:2px;color:#fff;background:#4e79a7}
.strip div.fax{background:#76b7b2}.strip div.rest{background:#bbb}
.strip .fault{position:absolute;top:-4px;bottom:-4px;width:3px;background:#c92a2a;padding:0;border:0}
.strip .fault b{position:absolute;top:2.6em;left:0;white-space:nowrap;color:#c92a2a;font-size:12px}
)css";
}

// The byte map: each record a canvas of 64 bytes a line, a byte a cell,
// coloured by the kind of its owner; bytes that differ between the two sides
// get a dark centre.  The owners come as runs (start, length, owner) so that
// 14 KB of records take a few kilobytes of data, and one array per record
// maps a byte back to its owner for the hover, the keyboard and the click.
const char *ReportScript() {
    return R"js(
(function(){
"use strict";
var t0=performance.now();
var data=JSON.parse(document.getElementById("map-data").textContent);
var COLS=64,CELL=9;
var colours=["#4e79a7","#b07aa1","#59a14f","#f28e2b","#76b7b2"],none="#e4e4e4";
var tip=document.getElementById("tip");
function ownerText(rec,b){
  var o=rec.owner[b];
  var s=rec.name+" byte "+b+": ";
  if(o<0)return s+"no setting";
  var w=data.owners[o];
  return s+w[0]+" = "+w[1]+(rec.diff[b]?"  (differs)":"");
}
function showTip(text,x,y){tip.textContent=text;tip.style.display="block";
  tip.style.left=(x+14)+"px";tip.style.top=(y+14)+"px";}
function goTo(rec,b){
  var o=rec.owner[b];if(o<0)return;
  var row=document.getElementById(data.owners[o][2]);if(!row)return;
  var old=document.querySelector("tr.target");if(old)old.classList.remove("target");
  row.hidden=false;row.classList.add("target");row.scrollIntoView({block:"center"});
}
data.records.forEach(function(rec,i){
  var cv=document.getElementById("map-"+i);
  var rows=Math.ceil(rec.size/COLS);
  cv.width=COLS*CELL;cv.height=rows*CELL;
  var ctx=cv.getContext("2d");
  rec.owner=new Int32Array(rec.size).fill(-1);
  rec.diff=new Uint8Array(rec.size);
  var r=rec.runs,k,b,end;
  for(k=0;k<r.length;k+=3){end=r[k]+r[k+1];for(b=r[k];b<end;b++)rec.owner[b]=r[k+2];}
  var d=rec.diffs;
  for(k=0;k<d.length;k+=2){end=Math.min(rec.size,d[k]+d[k+1]);for(b=d[k];b<end;b++)rec.diff[b]=1;}
  // One fillRect per run and line, not per byte.
  for(k=0;k<r.length;k+=3){
    ctx.fillStyle=r[k+2]<0?none:colours[data.owners[r[k+2]][3]];
    b=r[k];end=r[k]+r[k+1];
    while(b<end){var line=Math.floor(b/COLS),col=b%COLS,n=Math.min(end-b,COLS-col);
      ctx.fillRect(col*CELL,line*CELL,n*CELL,CELL);b+=n;}
  }
  // Cell borders: one path of lines.
  ctx.strokeStyle="rgba(255,255,255,.8)";ctx.lineWidth=1;ctx.beginPath();
  for(k=0;k<=COLS;k++){ctx.moveTo(k*CELL+.5,0);ctx.lineTo(k*CELL+.5,rows*CELL);}
  for(k=0;k<=rows;k++){ctx.moveTo(0,k*CELL+.5);ctx.lineTo(COLS*CELL,k*CELL+.5);}
  ctx.stroke();
  ctx.fillStyle="#111";
  for(k=0;k<d.length;k+=2){end=Math.min(rec.size,d[k]+d[k+1]);
    for(b=d[k];b<end;b++)ctx.fillRect((b%COLS)*CELL+2,Math.floor(b/COLS)*CELL+2,CELL-3,CELL-3);}
  function byteAt(ev){var box=cv.getBoundingClientRect();
    var col=Math.floor((ev.clientX-box.left)/CELL),line=Math.floor((ev.clientY-box.top)/CELL);
    var b=line*COLS+col;return col>=0&&col<COLS&&b>=0&&b<rec.size?b:-1;}
  cv.addEventListener("mousemove",function(ev){var b=byteAt(ev);
    if(b<0){tip.style.display="none";return;}showTip(ownerText(rec,b),ev.clientX,ev.clientY);});
  cv.addEventListener("mouseleave",function(){tip.style.display="none";});
  cv.addEventListener("click",function(ev){var b=byteAt(ev);if(b>=0)goTo(rec,b);});
  // Keyboard: the arrows move a cursor byte, Enter goes to its row.
  var cursor=0;
  function showCursor(){var box=cv.getBoundingClientRect();
    showTip(ownerText(rec,cursor),box.left+(cursor%COLS)*CELL,box.top+Math.floor(cursor/COLS)*CELL);}
  cv.addEventListener("focus",showCursor);
  cv.addEventListener("blur",function(){tip.style.display="none";});
  cv.addEventListener("keydown",function(ev){
    var step={ArrowLeft:-1,ArrowRight:1,ArrowUp:-COLS,ArrowDown:COLS}[ev.key];
    if(step){cursor=Math.max(0,Math.min(rec.size-1,cursor+step));showCursor();ev.preventDefault();}
    else if(ev.key==="Enter")goTo(rec,cursor);});
});
// Filter: rows of the settings tables whose text holds the words typed.
var rows=Array.prototype.slice.call(document.querySelectorAll("table.settings tbody tr"));
var texts=null;
var filter=document.getElementById("filter");
if(filter)filter.addEventListener("input",function(){
  if(!texts)texts=rows.map(function(r){return r.textContent.toLowerCase();});
  var words=filter.value.toLowerCase().split(/\s+/).filter(Boolean);
  rows.forEach(function(r,i){r.hidden=!words.every(function(w){return texts[i].indexOf(w)>=0;});});
});
// Sorting: a click on a column's head sorts its table by it, again the other way.
Array.prototype.forEach.call(document.querySelectorAll("table.sortable"),function(table){
  var heads=table.tHead.rows[0].cells;
  Array.prototype.forEach.call(heads,function(th,c){
    th.classList.add("sort");th.tabIndex=0;
    function sort(){var body=table.tBodies[0],list=Array.prototype.slice.call(body.rows);
      var dir=th.dataset.dir==="asc"?-1:1;th.dataset.dir=dir>0?"asc":"desc";
      var keys=list.map(function(r){var t=r.cells[c].textContent;var n=Number(t);
        return {r:r,t:t,n:t!==""&&!isNaN(n)?n:null};});
      keys.sort(function(a,b){if(a.n!==null&&b.n!==null)return (a.n-b.n)*dir;
        return a.t<b.t?-dir:a.t>b.t?dir:0;});
      keys.forEach(function(k){body.appendChild(k.r);});texts=null;
      rows=Array.prototype.slice.call(document.querySelectorAll("table.settings tbody tr"));}
    th.addEventListener("click",sort);
    th.addEventListener("keydown",function(ev){if(ev.key==="Enter")sort();});
  });
});
window.reportRenderMs=performance.now()-t0;
})();
)js";
}

}  // namespace dmactl
