// The live page: every inverter's latest values, the link and recording state and today's AC
// power, kept up to date by the monitor's event stream.
'use strict';

(() => {
  const kGapS = 540;          // a pause longer than this breaks the curve, as in the window
  const kChartEveryMs = 5000; // the curve is redrawn at most this often; values at once
  const kRetryMs = 5000;

  const cards = new Map();  // slot -> {root, inverter}
  const curves = new Map(); // slot -> {xs, ys, label}
  const chartBox = document.getElementById('chart');
  const banner = document.getElementById('offline');
  let plot = null;
  let plotKey = '';
  let chartDay = '';
  let offset = 0;
  let chartDirty = false;
  let single = true; // one inverter: drawn green, as in the window
  // The browser's clock minus the monitor's, in ms, so that ages hold on a clock set wrong.
  let skewMs = 0;

  function syncClock(iso) {
    const t = Date.parse(iso);
    if (isFinite(t)) skewMs = Date.now() - t;
    offset = Web.offsetMinutes(iso);
  }

  function cardOf(slot) {
    let c = cards.get(slot);
    if (c) return c;
    const root = document.getElementById('card').content.firstElementChild.cloneNode(true);
    root.style.setProperty('--slot', single ? Web.singleColour : Web.slotColour(slot));
    root.dataset.slot = slot;
    const list = document.getElementById('inverters');
    const after = [...list.children].find(e => Number(e.dataset.slot) > slot);
    list.insertBefore(root, after || null);
    c = { root, inverter: null };
    cards.set(slot, c);
    return c;
  }

  function tone(status) {
    switch (status) {
      case 'normal': return 'ok';
      case 'wait': case 'waiting': return 'warn';
      case 'fault': return 'bad';
      default: return 'off';
    }
  }

  function showAge(c) {
    const age = c.root.querySelector('.age');
    const t = c.inverter && Date.parse(c.inverter.time);
    age.textContent = t ? Web.ageText((Date.now() - skewMs - t) / 1000) : '';
  }

  function showInverter(inverter) {
    const c = cardOf(inverter.slot);
    c.inverter = inverter;
    c.root.dataset.time = inverter.time || '';
    const q = selector => c.root.querySelector(selector);
    q('.serial').textContent = inverter.serial || Web.text('inverter', inverter.slot);
    q('.model').textContent = [inverter.model, inverter.firmware].filter(Boolean).join(' · ');
    const badge = q('.badge');
    if (!inverter.values && !inverter.time) {
      badge.textContent = Web.text('noreply');
      Web.setTone(badge, 'off');
    } else {
      badge.textContent = inverter.state || '–';
      Web.setTone(badge, inverter.live ? tone(inverter.status) : 'off');
    }
    badge.title = inverter.fault_word
      ? Web.text('faultword') + ' 0x' + inverter.fault_word.toString(16).toUpperCase().padStart(4, '0')
      : '';
    for (const dd of c.root.querySelectorAll('dd[data-key]')) {
      const value = inverter.values ? inverter.values[dd.dataset.key] : undefined;
      dd.textContent = Web.fixed(value, Number(dd.dataset.decimals));
    }
    c.root.classList.toggle('stale', !inverter.live);
    showAge(c);
    const curve = curves.get(inverter.slot);
    if (curve && inverter.serial && curve.label !== inverter.serial) {
      curve.label = inverter.serial;
      chartDirty = true;
    }
  }

  function curveOf(slot) {
    let curve = curves.get(slot);
    if (!curve) {
      const c = cards.get(slot);
      curve = { xs: [], ys: [], label: (c && c.inverter && c.inverter.serial) || Web.text('inverter', slot) };
      curves.set(slot, curve);
    }
    return curve;
  }

  function addPoint(slot, iso, power) {
    const pointDay = Web.day(iso);
    if (pointDay > chartDay) {
      // A new day starts an empty curve, as the window's does.
      for (const curve of curves.values()) curve.xs = [], curve.ys = [];
      chartDay = pointDay;
    } else if (pointDay < chartDay) {
      return;
    }
    const curve = curveOf(slot);
    const x = Web.seconds(iso);
    const last = curve.xs.length ? curve.xs[curve.xs.length - 1] : null;
    if (!isFinite(x) || (last !== null && x <= last)) return;
    if (last !== null && x - last > kGapS) {
      curve.xs.push((last + x) / 2);
      curve.ys.push(null);
    }
    curve.xs.push(x);
    curve.ys.push(typeof power === 'number' ? power : null);
    chartDirty = true;
  }

  function drawChart() {
    chartDirty = false;
    const slots = [...curves.keys()].sort((a, b) => a - b);
    const tables = slots.map(slot => [curves.get(slot).xs, curves.get(slot).ys]);
    const data = tables.length === 1 ? tables[0] : tables.length ? Web.joinCurves(tables) : [[]];
    const key = slots.map(slot => slot + ':' + curves.get(slot).label).join('|') + '@' + offset;
    if (plot && key === plotKey) {
      plot.setData(data);
      return;
    }
    if (plot) plot.destroy();
    plotKey = key;
    const series = slots.map(slot => ({
      label: curves.get(slot).label,
      stroke: single && slots.length === 1 ? Web.singleColour : Web.slotColour(slot),
      fill: single && slots.length === 1 ? 'rgba(92, 240, 110, 0.14)' : undefined,
      width: 2,
      points: { show: false },
      value: (u, v) => (v == null ? '–' : v.toFixed(0) + ' W'),
    }));
    plot = Web.chart(chartBox, Web.timeChartOptions(Web.text('outputpower'), offset, series), data);
  }

  async function load() {
    const live = await Web.getJson('/api/v1/live');
    syncClock(live.time);
    single = live.inverters.length <= 1;
    Web.showState(document.getElementById('link'), Web.linkState(live.link));
    Web.showState(document.getElementById('recording'), Web.recordingState(live.recording));
    for (const inverter of live.inverters) showInverter(inverter);
    const todays = await Promise.all(
      live.inverters.map(inverter => Web.getJson('/api/v1/today?inverter=' + inverter.slot)));
    curves.clear();
    chartDay = Web.day(live.time);
    todays.forEach((today, i) => {
      const slot = live.inverters[i].slot;
      curveOf(slot);
      for (const [iso, power] of today.points) addPoint(slot, iso, power);
    });
    drawChart();
    banner.hidden = true;
    document.body.dataset.ready = '1';
  }

  function listen() {
    const source = new EventSource('/api/v1/stream');
    let broken = false;
    const on = (type, handle) => source.addEventListener(type, e => handle(JSON.parse(e.data)));
    source.addEventListener('open', () => {
      banner.hidden = true;
      // The monitor may have restarted meanwhile and no longer hold what was missed.
      if (broken) load().catch(Web.failed);
      broken = false;
    });
    source.addEventListener('error', () => {
      broken = true;
      banner.textContent = Web.text('offline');
      banner.hidden = false;
      if (source.readyState === EventSource.CLOSED) setTimeout(listen, kRetryMs);
    });
    on('reading', inverter => {
      showInverter(inverter);
      if (inverter.values && inverter.time) addPoint(inverter.slot, inverter.time, inverter.values.ac_power);
    });
    on('link', link => Web.showState(document.getElementById('link'), Web.linkState(link)));
    on('recording', recording => Web.showState(document.getElementById('recording'), Web.recordingState(recording)));
    on('heartbeat', beat => syncClock(beat.time));
  }

  async function start() {
    try {
      await load();
    } catch (error) {
      Web.failed(error);
      setTimeout(start, kRetryMs);
      return;
    }
    listen();
    setInterval(() => cards.forEach(showAge), 1000);
    setInterval(() => chartDirty && drawChart(), kChartEveryMs);
  }

  start();
})();
