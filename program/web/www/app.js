// The web remote: a room's toolbar in the browser. It talks only to the service that served
// it: the texts, the rooms, the commands and the event stream of its API.
'use strict';

(() => {
    // The toolbar's buttons that have a command, in toolbar order and groups; the input
    // buttons sit between the two groups.
    const HEAD = [
        { key: 'power_on', command: 'power_on', icon: 'power_on' },
        { key: 'power_off', command: 'power_off', icon: 'power_off' },
    ];
    const TAIL = [
        { key: 'blank_on', command: 'blank_on', icon: 'blank_on' },
        { key: 'blank_off', command: 'blank_off', icon: 'blank_off' },
        { key: 'volume', command: 'unmute', icon: 'volume', shownBy: 'volume_up' },
        { key: 'mute', command: 'mute', icon: 'mute' },
        { key: 'freeze_on', command: 'freeze_on', icon: 'freeze_on' },
        { key: 'freeze_off', command: 'freeze_off', icon: 'freeze_off' },
    ];
    const ERROR_PARTS = ['fan', 'lamp', 'temperature', 'cover', 'filter', 'other'];
    const RECONNECT_MS = 1000;

    const params = new URLSearchParams(location.search);
    const state = {
        texts: {},
        rooms: new Map(), // id -> ROOM, kept current by the event stream
        source: null,
        reconnectTimer: 0,
        queue: Promise.resolve(), // presses run one after the other, as the toolbar's clicks do
        view: null, // the room page on screen: its id and the elements that change
        direction: new Map(), // "room/slot" -> 'warming_up' or 'cooling_down' while in transition
        lang: null, // the texts' language, which a command's messages are asked in too
    };
    // What the browser tests read: the page's own share of a press (click to request).
    const timings = { presses: [] };
    window.orvaneTimings = timings;

    const main = document.getElementById('main');
    const notice = document.getElementById('notice');
    const back = document.getElementById('back');

    function t(key, ...args) {
        let text = state.texts[key] ?? key;
        args.forEach((value, i) => {
            text = text.split(`%${i + 1}`).join(String(value));
        });
        return text;
    }

    function el(tag, attributes = {}, ...children) {
        const node = document.createElement(tag);
        for (const [name, value] of Object.entries(attributes)) {
            if (value === false || value === null || value === undefined)
                continue;
            if (name === 'class')
                node.className = value;
            else if (name === 'text')
                node.textContent = value;
            else
                node.setAttribute(name, value === true ? '' : value);
        }
        for (const child of children) {
            if (child !== null && child !== undefined && child !== false)
                node.append(child);
        }
        return node;
    }

    async function api(method, path, { body, token } = {}) {
        const headers = {};
        if (body !== undefined)
            headers['Content-Type'] = 'application/json';
        if (token !== undefined)
            headers.Authorization = `Bearer ${token}`;
        const response = await fetch(path, {
            method,
            headers,
            body: body === undefined ? undefined : JSON.stringify(body),
            credentials: 'same-origin',
            cache: 'no-store',
        });
        let data = null;
        try {
            data = await response.json();
        } catch {
            data = null;
        }
        return { status: response.status, data };
    }

    // --- start, sign-in, rooms ------------------------------------------------------------

    async function start() {
        const lang = params.get('lang');
        try {
            const response = await fetch(`api/v1/texts${lang ? `?lang=${encodeURIComponent(lang)}` : ''}`);
            const body = await response.json();
            state.texts = body.texts;
            document.documentElement.lang = body.lang;
            state.lang = body.lang;
        } catch {
            state.texts = {};
        }
        document.title = t('title');
        document.getElementById('app-title').textContent = t('title');
        back.textContent = t('all_rooms');
        main.replaceChildren(el('p', { text: t('loading') }));
        window.addEventListener('hashchange', render);
        await loadRooms();
    }

    async function loadRooms() {
        let answer;
        try {
            answer = await api('GET', 'api/v1/rooms');
        } catch {
            setNotice(t('service_unreachable'));
            scheduleReconnect();
            return;
        }
        if (answer.status === 401) {
            showSignIn();
            return;
        }
        if (answer.status !== 200) {
            setNotice(t('service_unreachable'));
            scheduleReconnect();
            return;
        }
        setRooms(answer.data.rooms);
        connectEvents();
        render();
    }

    function setRooms(rooms) {
        state.rooms = new Map(rooms.map((room) => [room.id, room]));
    }

    function showSignIn() {
        closeEvents();
        state.view = null;
        back.hidden = true;
        const field = el('input', { id: 'token', name: 'token', type: 'password', autocomplete: 'current-password', required: true });
        const error = el('div', { class: 'form-error', role: 'alert', id: 'token-error' });
        const form = el('form', { class: 'signin', 'aria-labelledby': 'signin-title' },
            el('h1', { id: 'signin-title', text: t('sign_in') }),
            el('p', { text: t('token_intro') }),
            el('label', { for: 'token', text: t('token') }),
            field,
            el('button', { type: 'submit', text: t('sign_in') }),
            error);
        form.addEventListener('submit', async (event) => {
            event.preventDefault();
            error.textContent = '';
            let answer;
            try {
                answer = await api('POST', 'api/v1/session', { token: field.value.trim() });
            } catch {
                error.textContent = t('service_unreachable');
                return;
            }
            if (answer.status === 200) {
                await loadRooms();
                return;
            }
            error.textContent = t(answer.status === 429 ? 'token_throttled' : 'token_refused');
            field.select();
        });
        main.replaceChildren(form);
        field.focus();
    }

    // --- the event stream -------------------------------------------------------------------

    function closeEvents() {
        if (state.source) {
            state.source.close();
            state.source = null;
        }
        clearTimeout(state.reconnectTimer);
    }

    function connectEvents() {
        closeEvents();
        const source = new EventSource('api/v1/events');
        state.source = source;
        source.addEventListener('open', () => setNotice(''));
        source.addEventListener('projector', (event) => onProjector(JSON.parse(event.data)));
        source.addEventListener('error', () => {
            // The browser would retry by itself, but not after a refusal (a service that
            // restarted forgets its sessions): the page retries, and asks for a token when
            // the service wants one again.
            source.close();
            if (state.source === source)
                state.source = null;
            setNotice(t('reconnecting'));
            scheduleReconnect();
        });
    }

    function scheduleReconnect() {
        clearTimeout(state.reconnectTimer);
        state.reconnectTimer = setTimeout(reconnect, RECONNECT_MS);
    }

    async function reconnect() {
        let answer;
        try {
            answer = await api('GET', 'api/v1/rooms');
        } catch {
            scheduleReconnect();
            return;
        }
        if (answer.status === 401) {
            setNotice('');
            showSignIn();
            return;
        }
        if (answer.status !== 200) {
            scheduleReconnect();
            return;
        }
        setRooms(answer.data.rooms);
        connectEvents();
        if (state.view && state.rooms.has(state.view.id))
            updateRoom();
        else
            render();
    }

    function setNotice(text) {
        if (notice.textContent !== text)
            notice.textContent = text;
    }

    function onProjector(data) {
        const room = state.rooms.get(data.room);
        if (!room)
            return;
        const index = room.projectors.findIndex((p) => p.slot === data.slot);
        const projector = { ...data };
        delete projector.room;
        const previous = index >= 0 ? room.projectors[index] : null;
        noteDirection(room.id, previous, projector);
        if (index >= 0)
            room.projectors[index] = projector;
        else
            room.projectors.push(projector);
        if (state.view && state.view.id === room.id)
            updateRoom();
        else if (!state.view)
            renderRooms();
    }

    // The API tells "transition"; which way it goes follows from where it came from or from
    // the command that started it.
    function noteDirection(roomId, previous, next) {
        const key = `${roomId}/${next.slot}`;
        if (next.power !== 'transition') {
            state.direction.delete(key);
            return;
        }
        if (previous && previous.power === 'off')
            state.direction.set(key, 'warming_up');
        else if (previous && previous.power === 'on')
            state.direction.set(key, 'cooling_down');
    }

    // --- views --------------------------------------------------------------------------------

    function render() {
        const match = /^#\/room\/(.+)$/.exec(location.hash);
        if (match)
            renderRoom(decodeURIComponent(match[1]));
        else
            renderRooms();
        // When the first view with the service's state is on screen, for the browser tests.
        if (performance.getEntriesByName('orvane-ready').length === 0)
            performance.mark('orvane-ready');
    }

    function powerWord(roomId, p) {
        if (!p.reachable)
            return { key: 'unreachable', cls: 'unreachable' };
        if (p.power === 'on')
            return { key: 'power_on_state', cls: 'on' };
        if (p.power === 'off')
            return { key: 'power_off_state', cls: 'off' };
        if (p.power === 'transition')
            return { key: state.direction.get(`${roomId}/${p.slot}`) ?? 'changing', cls: 'transition' };
        return { key: 'power_unknown', cls: 'off' };
    }

    function roomLine(room) {
        const on = room.projectors.filter((p) => p.reachable && p.power === 'on').length;
        const failing = room.projectors.filter((p) => !p.reachable || p.last_error).length;
        const line = el('span', { class: 'room-line' }, t('summary_on', on, room.projectors.length));
        if (failing > 0)
            line.append(' · ', el('span', { class: 'failing', text: t('summary_failing', failing) }));
        return line;
    }

    function renderRooms() {
        state.view = null;
        back.hidden = true;
        const rooms = [...state.rooms.values()];
        // An event changes a state line, not the list: the links stay the same elements, so
        // focus, a screen reader's place and a pointer over a link are kept.
        const shown = main.querySelector('ul.rooms');
        if (shown && sameRooms(shown, rooms)) {
            shown.querySelectorAll('a[data-room]').forEach((link, i) => {
                link.querySelector('.room-line').replaceWith(roomLine(rooms[i]));
            });
            return;
        }
        const heading = el('h1', { text: t('rooms'), tabindex: '-1' });
        if (rooms.length === 0) {
            main.replaceChildren(heading, el('p', { text: t('no_rooms') }));
            return;
        }
        const list = el('ul', { class: 'rooms' });
        for (const room of rooms) {
            const link = el('a', { href: `#/room/${encodeURIComponent(room.id)}`, 'data-room': room.id },
                el('span', { class: 'room-id', text: room.id }), roomLine(room));
            list.append(el('li', {}, link));
        }
        const hadFocus = document.activeElement && document.activeElement.dataset && document.activeElement.dataset.room;
        main.replaceChildren(heading, list);
        if (hadFocus) {
            const again = list.querySelector(`a[data-room="${CSS.escape(hadFocus)}"]`);
            if (again)
                again.focus();
        }
    }

    function sameRooms(list, rooms) {
        const links = list.querySelectorAll('a[data-room]');
        return links.length === rooms.length && rooms.every((room, i) => links[i].dataset.room === room.id);
    }

    function iconGlyph(icon, tag) {
        const glyph = el('span', { class: tag ? 'glyph' : 'glyph plain', 'aria-hidden': 'true' },
            el('img', { src: `static/icons/${icon}.svg`, alt: '', width: '40', height: tag ? '27' : '40' }));
        if (tag)
            glyph.append(el('span', { class: 'tag', text: tag }));
        return glyph;
    }

    function toolbarButton(caption, icon, tag, extra = {}) {
        return el('button', { type: 'button', class: 'tb', title: caption, ...extra },
            iconGlyph(icon, tag), el('span', { class: 'cap', text: caption }));
    }

    function renderRoom(id) {
        const room = state.rooms.get(id);
        back.hidden = false;
        if (!room) {
            state.view = null;
            main.replaceChildren(el('h1', { text: id, tabindex: '-1' }),
                el('p', { role: 'alert', class: 'form-error', text: t('no_room', id) }));
            return;
        }
        const commands = new Set(room.commands);
        const view = { id, inputs: [], volumeButton: null, panel: null, meter: null, number: null, cards: null, alerts: null };
        const toolbar = el('div', { class: 'toolbar', role: 'group', 'aria-label': t('toolbar') });
        const group = (entries) => {
            const node = el('div', { class: 'group' });
            for (const entry of entries) {
                if (!commands.has(entry.shownBy ?? entry.command))
                    continue;
                const extra = { 'data-command': entry.command };
                if (entry.key === 'volume')
                    Object.assign(extra, { 'aria-expanded': 'false', 'aria-controls': 'volume-panel' });
                const button = toolbarButton(t(entry.key), entry.icon, '', extra);
                button.addEventListener('click', () => {
                    if (entry.key === 'volume')
                        toggleVolume();
                    else
                        hideVolume();
                    press(button, { command: entry.command });
                });
                if (entry.key === 'volume')
                    view.volumeButton = button;
                node.append(button);
            }
            if (node.childElementCount > 0)
                toolbar.append(node);
        };
        group(HEAD);
        if (commands.has('input')) {
            const node = el('div', { class: 'group' });
            const buttons = room.input_buttons ?? room.inputs.map((name) => ({ input: name, tip: name, icon: 'in_generic', tag: '' }));
            for (const b of buttons) {
                const button = toolbarButton(b.tip, b.icon, b.tag, { 'data-command': 'input', 'data-input': b.input, 'aria-pressed': 'false' });
                button.addEventListener('click', () => {
                    hideVolume();
                    press(button, { command: 'input', input: b.input });
                });
                view.inputs.push({ name: b.input, button });
                node.append(button);
            }
            if (node.childElementCount > 0)
                toolbar.append(node);
        }
        group(TAIL);

        const range = room.volume_range ?? [0, 255];
        const meterId = 'volume-meter';
        view.meter = el('meter', { id: meterId, min: String(range[0]), max: String(range[1]), value: String(range[0]) });
        view.number = el('output', { for: meterId, 'aria-live': 'polite', text: '–' });
        const up = toolbarButton(t('up'), 'vol_up', '', { 'data-command': 'volume_up' });
        const down = toolbarButton(t('down'), 'vol_down', '', { 'data-command': 'volume_down' });
        up.addEventListener('click', () => press(up, { command: 'volume_up' }));
        down.addEventListener('click', () => press(down, { command: 'volume_down' }));
        view.panel = el('div', { class: 'volume', id: 'volume-panel', hidden: true }, up, down,
            el('div', { class: 'level' }, el('label', { for: meterId, text: t('volume_level') }), view.meter, view.number));

        view.alerts = el('div', { class: 'alerts' });
        view.cards = el('ul', { class: 'projectors' });
        const heading = el('h1', { tabindex: '-1' }, room.id, el('span', { class: 'model', text: room.model }));
        main.replaceChildren(heading, toolbar, view.panel, view.alerts,
            el('h2', { id: 'projectors-title', text: t('projectors') }), view.cards);
        view.cards.setAttribute('aria-labelledby', 'projectors-title');
        state.view = view;
        updateRoom();
        heading.focus();
    }

    function toggleVolume() {
        const view = state.view;
        if (!view || !view.volumeButton)
            return;
        const open = view.panel.hidden;
        view.panel.hidden = !open;
        view.volumeButton.setAttribute('aria-expanded', String(open));
    }

    function hideVolume() {
        const view = state.view;
        if (view && view.volumeButton) {
            view.panel.hidden = true;
            view.volumeButton.setAttribute('aria-expanded', 'false');
        }
    }

    function updateRoom() {
        const view = state.view;
        const room = view && state.rooms.get(view.id);
        if (!room)
            return;
        const reported = room.projectors.find((p) => p.slot === room.reported_slot);
        const current = reported && reported.input ? reported.input.toLowerCase() : null;
        for (const { name, button } of view.inputs)
            button.setAttribute('aria-pressed', String(current !== null && name.toLowerCase() === current));
        if (reported && typeof reported.volume === 'number') {
            view.meter.value = reported.volume;
            view.number.textContent = String(reported.volume);
        }
        view.cards.replaceChildren(...room.projectors.map((p) => projectorCard(room, p)));
    }

    // Blank, mute and freeze as far as the projector tells them: PJLink's AVMT answer is
    // 11 (blank), 21 (mute), 31 (both) or 30 (neither); FREZ tells freeze.
    function pictureWords(p) {
        const words = [];
        if (typeof p.avmute === 'string' && p.avmute.length === 2) {
            const on = p.avmute[1] === '1';
            words.push(t(on && (p.avmute[0] === '1' || p.avmute[0] === '3') ? 'blank_on_state' : 'blank_off_state'));
            words.push(t(on && (p.avmute[0] === '2' || p.avmute[0] === '3') ? 'mute_on_state' : 'mute_off_state'));
        }
        if (typeof p.freeze === 'boolean')
            words.push(t(p.freeze ? 'freeze_on_state' : 'freeze_off_state'));
        return words;
    }

    function projectorCard(room, p) {
        const word = powerWord(room.id, p);
        const title = el('h3', {}, t('projector', p.slot), p.name ? ` · ${p.name}` : '');
        const card = el('li', { class: 'pj' }, title,
            p.slot === room.reported_slot ? el('p', { class: 'reported', text: t('reported') }) : null,
            el('p', { class: `power ${word.cls}`, 'data-slot': String(p.slot), text: t(word.key) }),
            el('p', { text: p.address }));
        if (p.input)
            card.append(el('p', { text: t('current_input', p.input) }));
        if (Array.isArray(p.lamps)) {
            p.lamps.forEach((lamp, i) => card.append(el('p', { text: t('lamp_hours', i + 1, lamp.hours) })));
        }
        const picture = pictureWords(p);
        if (picture.length)
            card.append(el('p', { class: 'picture', text: picture.join(' · ') }));
        if (p.errors) {
            const bad = ERROR_PARTS.filter((part) => p.errors[part] > 0)
                .map((part) => t(p.errors[part] >= 2 ? 'status_error' : 'status_warning', t(`error_${part}`)));
            card.append(bad.length ? el('p', { class: 'bad', text: bad.join(', ') }) : el('p', { text: t('no_errors') }));
        }
        return card;
    }

    // --- presses ------------------------------------------------------------------------------

    function press(button, body) {
        const view = state.view;
        if (!view)
            return;
        const roomId = view.id;
        const clicked = performance.now();
        button.setAttribute('aria-busy', 'true');
        state.queue = state.queue.then(() => run(roomId, button, body, clicked));
    }

    async function run(roomId, button, body, clicked) {
        if (body.command === 'power_on' || body.command === 'power_off') {
            const room = state.rooms.get(roomId);
            for (const p of room ? room.projectors : [])
                state.direction.set(`${roomId}/${p.slot}`, body.command === 'power_on' ? 'warming_up' : 'cooling_down');
        }
        const sent = performance.now();
        let answer = null;
        try {
            const asked = state.lang ? { ...body, lang: state.lang } : body;
            answer = await api('POST', `api/v1/rooms/${encodeURIComponent(roomId)}/commands`, { body: asked });
        } catch {
            showAlert(t('service_unreachable'));
        }
        timings.presses.push({ command: body.command, toRequest: sent - clicked, toAnswer: performance.now() - clicked });
        button.setAttribute('aria-busy', 'false');
        if (!answer)
            return;
        if (answer.status === 401) {
            showSignIn();
        } else if (answer.status === 403) {
            showAlert(t('read_only'));
        } else if (answer.data && Array.isArray(answer.data.results)) {
            for (const result of answer.data.results) {
                if (!result.ok && result.message)
                    showAlert(result.message, result.slot);
            }
        } else if (answer.status !== 200) {
            showAlert(t('command_refused', answer.data && answer.data.error ? answer.data.error : answer.status));
        }
    }

    function showAlert(text, slot) {
        const view = state.view;
        if (!view)
            return;
        const close = el('button', { type: 'button', class: 'close', 'aria-label': t('close'), title: t('close') }, '×');
        const alert = el('div', { class: 'alert', role: 'alert', 'data-alert-slot': slot === undefined ? null : String(slot) },
            el('span', { class: 'msg', text }), close);
        close.addEventListener('click', () => {
            const next = alert.nextElementSibling ?? alert.previousElementSibling;
            alert.remove();
            const focus = next ? next.querySelector('.close') : main.querySelector('h1');
            if (focus)
                focus.focus();
        });
        view.alerts.append(alert);
    }

    start();
})();
