// Shared by the three pages: texts, JSON, times in the monitor's own clock, link and recording
// state, and the chart set-up.
'use strict';

const Web = (() => {
  // Texts come with the page (attributes data-t-NAME of <body>, in the reader's language).
  function text(name, ...args) {
    const template = document.body.getAttribute('data-t-' + name) || name;
    return template.replace(/%(\d)/g, (whole, n) => (args[n - 1] ?? ''));
  }

  async function getJson(url) {
    const response = await fetch(url, { headers: { Accept: 'application/json' } });
    if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
    return response.json();
  }

  function element(tag, className, content) {
    const e = document.createElement(tag);
    if (className) e.className = className;
    if (content !== undefined && content !== null) e.textContent = content;
    return e;
  }

  function fixed(value, decimals) {
    return typeof value === 'number' && isFinite(value) ? value.toFixed(decimals) : '–';
  }

  // Times are shown on the monitor's clock, as its files record them, whatever the zone of the
  // browser: "2026-12-09T10:15:03+01:00" reads 10:15:03.
  const clock = iso => (iso ? iso.slice(11, 19) : '');
  const day = iso => (iso ? iso.slice(0, 10) : '');
  const stamp = iso => (iso ? day(iso) + ' ' + clock(iso) : '');
  const seconds = iso => Date.parse(iso) / 1000;

  // Minutes east of UTC of an ISO time ("Z" or "+01:00"); 0 without an offset.
  function offsetMinutes(iso) {
    const m = /([+-])(\d\d):?(\d\d)$/.exec(iso || '');
    return m ? (m[1] === '-' ? -1 : 1) * (Number(m[2]) * 60 + Number(m[3])) : 0;
  }

  // For uPlot's tzDate: a Date whose local fields show the time at `offset` minutes east of UTC.
  function zoneDate(offset) {
    return ts => {
      const d = new Date(ts * 1000 + offset * 60000);
      return new Date(d.getTime() + d.getTimezoneOffset() * 60000);
    };
  }

  function ageText(s) {
    if (s < 120) return text('age-s', Math.max(0, Math.round(s)));
    if (s < 7200) return text('age-min', Math.round(s / 60));
    return text('age-h', Math.round(s / 3600));
  }

  // {text, tone} of live's "link" object.
  function linkState(link) {
    switch (link && link.state) {
      case 'alive': return { text: text('linkalive'), tone: 'ok' };
      case 'waiting': return { text: text('waiting'), tone: 'warn' };
      case 'lost': return link.reason
        ? { text: text('linklost', clock(link.since), link.reason), tone: 'bad' }
        : { text: text('linklostsince', clock(link.since)), tone: 'bad' };
      default: return { text: text('notconnected'), tone: 'off' };
    }
  }

  // {text, tone} of live's "recording" object.
  function recordingState(recording) {
    if (!recording) return { text: '', tone: 'off' };
    if (recording.failing) {
      let t = text('recordfailed', recording.reason || '');
      if (recording.kept_rows > 0) t += ' · ' + text('keptrows', recording.kept_rows);
      return { text: t, tone: 'bad' };
    }
    if (recording.last_row) return { text: text('lastrow', clock(recording.last_row)), tone: 'ok' };
    return { text: text('norow'), tone: 'off' };
  }

  function setTone(e, tone) {
    e.classList.remove('is-ok', 'is-warn', 'is-bad', 'is-off');
    e.classList.add('is-' + tone);
  }

  // Shows a state in a pill: <span class="pill"><span class="label">…</span> <span>…</span></span>.
  function showState(pill, state) {
    setTone(pill, state.tone);
    pill.lastElementChild.textContent = state.text;
  }

  const slotColours = ['#ffb32e', '#34d3f5', '#f06cd8', '#5cf06e', '#f5e842', '#8a9cff'];
  const slotColour = slot => slotColours[(slot - 1) % slotColours.length];
  const singleColour = '#5cf06e';

  // [xs, ys] of [[iso, value], ...] sorted by time, with a null between two points further
  // apart than `gapS` seconds so that the curve breaks there.
  function withGaps(points, gapS) {
    const xs = [];
    const ys = [];
    for (const [iso, value] of points) {
      const x = seconds(iso);
      if (!isFinite(x)) continue;
      const last = xs.length ? xs[xs.length - 1] : null;
      if (last !== null && x <= last) continue;
      if (last !== null && x - last > gapS) {
        xs.push((last + x) / 2);
        ys.push(null);
      }
      xs.push(x);
      ys.push(typeof value === 'number' ? value : null);
    }
    return [xs, ys];
  }

  // uPlot.join of several curves, each broken where withGaps put a null. The joined curves
  // hold undefined where only another has a point, and a line is drawn across undefined; so
  // from the point before a pause to the point after it, every place of that curve is null.
  function joinCurves(tables) {
    const data = uPlot.join(tables);
    for (const ys of data.slice(1)) {
      for (let i = 0; i < ys.length; i++) {
        if (ys[i] !== null) continue;
        for (let j = i - 1; j >= 0 && ys[j] === undefined; j--) ys[j] = null;
        while (i + 1 < ys.length && (ys[i + 1] === undefined || ys[i + 1] === null)) ys[++i] = null;
      }
    }
    return data;
  }

  const axisColour = '#c8ced4';
  const gridColour = 'rgba(255,255,255,0.09)';

  function axis(label) {
    return {
      stroke: axisColour,
      grid: { stroke: gridColour, width: 1 },
      ticks: { stroke: gridColour, width: 1 },
      label,
      labelSize: label ? 20 : 0,
      font: '12px system-ui, sans-serif',
      labelFont: '12px system-ui, sans-serif',
    };
  }

  function chartSize(container) {
    const width = Math.max(240, container.clientWidth);
    return { width, height: Math.round(Math.min(320, Math.max(200, width * 0.45))) };
  }

  // A uPlot chart that fills `container`'s width and follows it.
  function chart(container, options, data) {
    const plot = new uPlot(Object.assign(chartSize(container), options), data, container);
    let pending = false;
    new ResizeObserver(() => {
      if (pending) return;
      pending = true;
      requestAnimationFrame(() => {
        pending = false;
        const size = chartSize(container);
        if (size.width !== plot.width || size.height !== plot.height) plot.setSize(size);
      });
    }).observe(container);
    return plot;
  }

  // Times on a 24-hour clock, as the window shows them.
  function timeChartOptions(yLabel, offset, series) {
    const zone = zoneDate(offset);
    const minutes = uPlot.fmtDate('{HH}:{mm}');
    const seconds = uPlot.fmtDate('{HH}:{mm}:{ss}');
    const instant = uPlot.fmtDate('{YYYY}-{MM}-{DD} {HH}:{mm}:{ss}');
    const ticks = (u, splits) => {
      const format = splits.length > 1 && splits[1] - splits[0] < 60 ? seconds : minutes;
      return splits.map(s => format(zone(s)));
    };
    return {
      tzDate: zone,
      cursor: { drag: { x: true, y: false } },
      // A quarter of an hour at least, so that the first minutes of a curve read as such.
      scales: {
        x: { time: true, range: (u, min, max) => (min == null ? [0, 1] : [Math.min(min, max - 900), max]) },
        y: { range: (u, min, max) => [0, Math.max(100, max * 1.08)] },
      },
      axes: [Object.assign(axis(), { values: ticks }),
        Object.assign(axis(yLabel), { size: 56 })],
      series: [{ label: text('time'), value: (u, v) => (v == null ? '–' : instant(zone(v))) }].concat(series),
    };
  }

  // Shown instead of the page's content when the monitor does not answer.
  function failed(error) {
    const banner = document.getElementById('offline');
    banner.textContent = text('loadfailed', error.message);
    banner.hidden = false;
  }

  return {
    text, getJson, element, fixed, clock, day, stamp, seconds, offsetMinutes, zoneDate, ageText,
    linkState, recordingState, setTone, showState, slotColour, singleColour, withGaps, joinCurves, axis,
    chart, timeChartOptions, failed,
  };
})();
