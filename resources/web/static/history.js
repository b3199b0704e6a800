// The history page: a recorded day's AC power or a month's energy per day, of one inverter.
// The choice lives in the address (?date=YYYY-MM-DD or ?month=YYYY-MM, &inverter=K), so that
// it can be bookmarked and reloaded.
'use strict';

(() => {
  const kGapS = 540; // a pause longer than this breaks the curve, as in the window
  const kDayS = 86400;

  const $ = id => document.getElementById(id);
  const chartBox = $('chart');
  let plot = null;
  let offset = 0;
  let serials = new Map(); // slot -> serial
  let loading = 0;         // answers to older choices are dropped
  let today = '';          // the monitor's date

  function choice() {
    const query = new URLSearchParams(location.search);
    const inverter = Math.max(1, Math.min(6, Number(query.get('inverter')) || 1));
    const month = query.get('month');
    if (/^\d{4}-\d\d$/.test(month || '')) return { mode: 'month', month, inverter };
    const date = query.get('date');
    if (/^\d{4}-\d\d-\d\d$/.test(date || '')) return { mode: 'day', date, inverter };
    return { mode: 'day', date: '', inverter };
  }

  function choose(next) {
    const query = new URLSearchParams();
    if (next.mode === 'month') query.set('month', next.month);
    else query.set('date', next.date);
    query.set('inverter', next.inverter);
    history.replaceState(null, '', '?' + query);
    show(next);
  }

  function showChart(options, data) {
    if (plot) plot.destroy();
    plot = Web.chart(chartBox, options, data);
  }

  function inverterName(slot) {
    return serials.get(slot) || Web.text('inverter', slot);
  }

  async function showDay(c, ticket) {
    // Today the curve has every point since the program started, not only the recorded rows.
    const isToday = c.date === today;
    const [day, live] = await Promise.all([
      Web.getJson('/api/v1/day?date=' + c.date + '&inverter=' + c.inverter),
      isToday ? Web.getJson('/api/v1/today?inverter=' + c.inverter) : null,
    ]);
    if (ticket !== loading) return;
    const rows = day.rows || [];
    const points = live && live.points.length ? live.points : rows.map(r => [r.time, r.ac_power]);
    if (points.length) offset = Web.offsetMinutes(points[0][0]);
    const powers = points.map(p => p[1]).filter(v => typeof v === 'number');
    const last = rows[rows.length - 1];
    $('day-energy').textContent = last ? Web.fixed(last.energy_today, 1) : '–';
    $('day-peak').textContent = powers.length ? Web.fixed(Math.max(...powers), 0) : '–';
    $('day-rows').textContent = rows.length;
    $('day-summary').hidden = false;
    $('empty-day').hidden = points.length > 0;
    const data = Web.withGaps(points, kGapS);
    const options = Web.timeChartOptions(Web.text('outputpower'), offset, [{
      label: inverterName(c.inverter),
      stroke: Web.singleColour,
      fill: 'rgba(92, 240, 110, 0.14)',
      width: 2,
      points: { show: false },
      value: (u, v) => (v == null ? '–' : v.toFixed(0) + ' W'),
    }]);
    // The whole day, so that the time of day reads at a glance.
    const midnight = Date.parse(c.date + 'T00:00:00Z') / 1000 - offset * 60;
    options.scales.x.range = () => [midnight, midnight + kDayS];
    showChart(options, data);
  }

  function monthDays(month) {
    const [y, m] = month.split('-').map(Number);
    return new Date(Date.UTC(y, m, 0)).getUTCDate();
  }

  async function showMonth(c, ticket) {
    const answer = await Web.getJson('/api/v1/month?month=' + c.month + '&inverter=' + c.inverter);
    if (ticket !== loading) return;
    const days = answer.days || [];
    const count = monthDays(c.month);
    // One bar per day of the month, on its midnight tick; a day without rows has none.
    const start = Date.parse(c.month + '-01T00:00:00Z') / 1000 - offset * 60;
    const xs = Array.from({ length: count }, (v, i) => start + i * kDayS);
    const energy = new Array(count).fill(null);
    for (const d of days) {
      const i = Number(d.date.slice(8, 10)) - 1;
      if (i >= 0 && i < count && typeof d.energy === 'number') energy[i] = d.energy;
    }
    const total = days.reduce((sum, d) => sum + (typeof d.energy === 'number' ? d.energy : 0), 0);
    const peaks = days.map(d => d.peak_power).filter(v => typeof v === 'number');
    $('month-energy').textContent = days.length ? Web.fixed(total, 1) : '–';
    $('month-peak').textContent = peaks.length ? Web.fixed(Math.max(...peaks), 0) : '–';
    $('month-days').textContent = days.length;
    $('month-summary').hidden = false;
    $('empty-month').hidden = days.length > 0;
    const options = Web.timeChartOptions(Web.text('energyperday'), offset, [{
      label: inverterName(c.inverter),
      stroke: Web.singleColour,
      fill: 'rgba(92, 240, 110, 0.55)',
      width: 1,
      paths: uPlot.paths.bars({ size: [0.7, 40] }),
      points: { show: false },
      value: (u, v) => (v == null ? '–' : v.toFixed(1) + ' kWh'),
    }]);
    options.scales.x.range = () => [start - kDayS / 2, start + (count - 0.5) * kDayS];
    options.scales.y.range = (u, min, max) => [0, Math.max(1, (max || 0) * 1.1)];
    const zone = Web.zoneDate(offset);
    const date = uPlot.fmtDate('{YYYY}-{MM}-{DD}');
    options.axes[0].values = (u, splits) => splits.map(s => zone(s).getDate());
    options.series[0].value = (u, v) => (v == null ? '–' : date(zone(v)));
    options.hooks = { ready: [u => u.over.addEventListener('click', () => openDay(u, c))] };
    showChart(options, [xs, energy]);
  }

  // A click on a day's bar opens that day.
  function openDay(u, c) {
    const i = u.cursor.idx;
    if (i == null || u.data[1][i] == null) return;
    choose({ mode: 'day', date: c.month + '-' + String(i + 1).padStart(2, '0'), inverter: c.inverter });
  }

  async function show(c) {
    const ticket = ++loading;
    $('date').value = c.mode === 'day' ? c.date : '';
    $('month').value = c.mode === 'month' ? c.month : c.date.slice(0, 7);
    $('inverter').value = String(c.inverter);
    $('day-summary').hidden = $('month-summary').hidden = true;
    $('empty-day').hidden = $('empty-month').hidden = true;
    const period = c.mode === 'month' ? c.month : c.date;
    $('title').textContent = period + (serials.size > 1 ? ' · ' + inverterName(c.inverter) : '');
    $('csv-day').hidden = c.mode !== 'day';
    $('csv-day').href = '/export/' + c.date + '.csv?inverter=' + c.inverter;
    $('csv-month').href = '/export/' + (c.mode === 'month' ? c.month : c.date.slice(0, 7)) + '.csv?inverter=' + c.inverter;
    try {
      if (c.mode === 'month') await showMonth(c, ticket);
      else await showDay(c, ticket);
      $('offline').hidden = true;
      if (ticket === loading) document.body.dataset.ready = c.mode === 'month' ? c.month : c.date;
    } catch (error) {
      Web.failed(error);
    }
  }

  async function start() {
    const c = choice();
    try {
      const live = await Web.getJson('/api/v1/live');
      offset = Web.offsetMinutes(live.time);
      serials = new Map(live.inverters.map(i => [i.slot, i.serial]));
      today = Web.day(live.time);
      if (!c.date && c.mode === 'day') c.date = today;
    } catch (error) {
      Web.failed(error);
      if (!c.date && c.mode === 'day') c.date = new Date().toISOString().slice(0, 10);
    }
    const select = $('inverter');
    for (const slot of serials.size ? [...serials.keys()].sort((a, b) => a - b) : [1]) {
      const option = Web.element('option', '', serials.get(slot)
        ? Web.text('inverter', slot) + ' · ' + serials.get(slot) : Web.text('inverter', slot));
      option.value = String(slot);
      select.append(option);
    }
    $('inverter-choice').hidden = serials.size <= 1;
    $('date').addEventListener('change', e => e.target.value &&
      choose({ mode: 'day', date: e.target.value, inverter: Number(select.value) }));
    $('month').addEventListener('change', e => e.target.value &&
      choose({ mode: 'month', month: e.target.value, inverter: Number(select.value) }));
    select.addEventListener('change', () => choose(Object.assign(choice(), { inverter: Number(select.value) })));
    choose(c);
  }

  start();
})();
