// The health page: the program, the link's counters, MQTT, the inverters on the bus and the
// latest events, asked for again every few seconds.
'use strict';

(() => {
  const kRefreshMs = 5000;
  const kEventsKept = 500;
  const badKinds = new Set(['link_lost', 'port_fault', 'recording_failed', 'slot_lost',
    'several_answering', 'inverter_fault']);
  const goodKinds = new Set(['link_back', 'port_open', 'recording_resumed', 'registered', 'fault_cleared']);

  const $ = id => document.getElementById(id);
  let lastEventId = 0;
  let started = null; // a restarted monitor numbers its events afresh

  function field(object, path) {
    return path.split('.').reduce((o, key) => (o == null ? undefined : o[key]), object);
  }

  function duration(totalS) {
    const s = Math.max(0, Math.floor(totalS));
    const days = Math.floor(s / 86400);
    const pad = n => String(n).padStart(2, '0');
    const hms = pad(Math.floor(s / 3600) % 24) + ':' + pad(Math.floor(s / 60) % 60) + ':' + pad(s % 60);
    return days ? Web.text('days', days) + ' ' + hms : hms;
  }

  function row(cells) {
    const tr = document.createElement('tr');
    for (const [className, content] of cells) tr.append(Web.element('td', className, content));
    return tr;
  }

  function showHealth(health) {
    for (const td of document.querySelectorAll('td[data-field]')) {
      const value = field(health, td.dataset.field);
      td.textContent = value == null ? '–' : String(value);
    }
    $('started').textContent = Web.stamp(health.started);
    $('uptime').textContent = duration(health.uptime_s);
    const counters = health.link_counters || {};
    $('last-error').textContent = counters.last_error || Web.text('noerror');
    Web.showState($('link'), Web.linkState(health.link));
    Web.showState($('recording'), Web.recordingState(health.recording));
    $('mqtt-off').hidden = !!health.mqtt;
    $('mqtt').hidden = !health.mqtt;
    if (health.mqtt) $('mqtt-connected').textContent = Web.text(health.mqtt.connected ? 'yes' : 'no');
    $('inverters').replaceChildren(...(health.inverters || []).map(i => {
      const tr = row([['num', i.slot], ['', i.serial || '–'], ['num', i.cycles], ['num', i.missed_cycles],
        [i.lost ? 'kind-bad' : 'kind-ok', Web.text(i.lost ? 'lost' : 'answering')]]);
      return tr;
    }));
  }

  function showEvents(events) {
    const body = $('events');
    // Newest first; the list holds what the monitor holds.
    for (const e of events) {
      if (e.id <= lastEventId) continue;
      lastEventId = e.id;
      const kind = Web.text('ev-' + e.kind.replace(/_/g, '-'));
      const tone = badKinds.has(e.kind) ? 'kind-bad' : goodKinds.has(e.kind) ? 'kind-ok' : '';
      body.prepend(row([['time', Web.stamp(e.time)], [tone, kind], ['num slot', e.slot ?? ''],
        ['detail', e.text || '']]));
    }
    while (body.children.length > kEventsKept) body.lastElementChild.remove();
    $('no-events').hidden = body.children.length > 0;
  }

  async function refresh() {
    try {
      const health = await Web.getJson('/api/v1/health');
      if (health.started !== started) {
        started = health.started;
        lastEventId = 0;
        $('events').replaceChildren();
      }
      const events = await Web.getJson('/api/v1/events' + (lastEventId ? '?after=' + lastEventId : ''));
      showHealth(health);
      showEvents(events.events || []);
      $('offline').hidden = true;
      document.body.dataset.ready = '1';
    } catch (error) {
      Web.failed(error);
    }
    setTimeout(refresh, kRefreshMs);
  }

  refresh();
})();
