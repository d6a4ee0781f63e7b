// The box configuration form. Its fields are attributes of child elements
// of "QXBoxSet" in html/Default.xml (the selected server profile); the form
// takes its values from that file, never from values written into the page,
// so a configuration built from it keeps the profile's cloud server and
// every value the user did not change. A field whose attribute the file
// does not hold stays disabled and is never sent.
'use strict';

const FIELD_SEP = '\u0002';
const ON_OFF = [['1', 'page_on'], ['0', 'page_off']];
const NETS = [['Ethernet', 'page_ethernet'], ['Wifi', 'page_wifi'], ['Mobile', 'page_mobile']];
const BAUDS = ['1200', '2400', '4800', '9600', '19200', '38400', '57600', '115200'].map(b => [b]);
const PARITIES = [['None'], ['Even'], ['Odd']];
const SERIAL_FIELDS = el =>
    [{el, attr: 'Protocol', key: 'page_protocol'},
     {el, attr: 'Baud', key: 'page_baud', options: BAUDS},
     {el, attr: 'DataBits', key: 'page_data_bits', options: [['7'], ['8']]},
     {el, attr: 'Parity', key: 'page_parity', options: PARITIES},
     {el, attr: 'StopBits', key: 'page_stop_bits', options: [['1'], ['2']]},
];

// Groups of fields: legend key and fields (element, attribute, label key,
// and for a choice its options as [value, label key]).
const CONFIG_GROUPS = [
  {
    key: 'page_group_base',
    fields: [
      {el: 'BaseSet', attr: 'BoxName', key: 'page_box_name'},
      {el: 'NetPriority', attr: 'First', key: 'page_net_first', options: NETS},
      {el: 'NetPriority', attr: 'Second', key: 'page_net_second', options: NETS},
      {el: 'NetPriority', attr: 'Third', key: 'page_net_third', options: NETS},
    ]
  },
  {
    key: 'page_ethernet',
    fields: [
      {el: 'Ethernet', attr: 'Enable', key: 'page_enable', options: ON_OFF},
      {el: 'Ethernet', attr: 'DHCP', key: 'page_dhcp', options: ON_OFF},
      {el: 'Ethernet', attr: 'IP', key: 'page_ip'},
      {el: 'Ethernet', attr: 'Mask', key: 'page_mask'},
      {el: 'Ethernet', attr: 'Gateway', key: 'page_gateway'},
      {el: 'Ethernet', attr: 'DNS1', key: 'page_dns'},
    ]
  },
  {
    key: 'page_wifi',
    fields: [
      {el: 'Wifi', attr: 'Enable', key: 'page_enable', options: ON_OFF},
      {el: 'Wifi', attr: 'SSID', key: 'page_ssid', id: 'ssid', list: 'wifi-names'},
      {el: 'Wifi', attr: 'Psw', key: 'page_password', id: 'wifipsw', secret: true},
      {el: 'Wifi', attr: 'Security', key: 'page_security', options: [['WPA2'], ['WPA'], ['None']]},
      {el: 'Wifi', attr: 'DHCP', key: 'page_dhcp', options: ON_OFF},
    ]
  },
  {
    key: 'page_mobile',
    fields: [
      {el: 'Mobile', attr: 'Enable', key: 'page_enable', options: ON_OFF},
      {el: 'Mobile', attr: 'APN', key: 'page_apn'},
      {el: 'Mobile', attr: 'User', key: 'page_user'},
      {el: 'Mobile', attr: 'Psw', key: 'page_password', secret: true},
      {el: 'Mobile', attr: 'PIN', key: 'page_pin', secret: true},
    ]
  },
  {
    key: 'page_group_cloud',
    fields: [
      {el: 'Cloud', attr: 'Enable', key: 'page_enable', options: ON_OFF},
      {el: 'Cloud', attr: 'Server', key: 'page_server', id: 'cloud-server'},
      {el: 'Cloud', attr: 'Port', key: 'page_port'},
      {el: 'Cloud', attr: 'TLS', key: 'page_tls', options: ON_OFF},
      {el: 'Cloud', attr: 'ProjectName', key: 'page_project_name'},
    ]
  },
  {key: 'page_group_panel', fields: SERIAL_FIELDS('PanelLink')},
  {key: 'page_group_device', fields: SERIAL_FIELDS('Device')},
  {
    key: 'page_group_pass',
    fields: [
      {el: 'PassThrough', attr: 'Enable', key: 'page_enable', options: ON_OFF},
      {el: 'PassThrough', attr: 'TcpPort', key: 'page_tcp_port', id: 'pass-tcp-port'},
      {el: 'Ntp', attr: 'Server', key: 'page_ntp_server'},
    ]
  },
];

// Builds the form's fields into container (all disabled until values come).
function buildConfigForm(container) {
  CONFIG_GROUPS.forEach(group => {
    const set = document.createElement('fieldset');
    const legend = document.createElement('legend');
    legend.dataset.t = group.key;
    legend.textContent = group.key;
    set.appendChild(legend);
    group.fields.forEach(f => {
      const row = document.createElement('div');
      row.className = 'row';
      const label = document.createElement('label');
      label.dataset.t = f.key;
      label.textContent = f.attr;
      let input;
      if (f.options) {
        input = document.createElement('select');
        f.options.forEach(([value, key]) => {
          const o = document.createElement('option');
          o.value = value;
          o.textContent = value;
          if (key) o.dataset.t = key;
          input.appendChild(o);
        });
      } else {
        input = document.createElement('input');
        input.type = f.secret ? 'password' : 'text';
        if (f.list) input.setAttribute('list', f.list);
      }
      if (f.id) input.id = f.id;
      input.dataset.el = f.el;
      input.dataset.attr = f.attr;
      input.disabled = true;
      input.dataset.absent = '1';
      row.appendChild(label);
      row.appendChild(input);
      set.appendChild(row);
    });
    container.appendChild(set);
  });
}

// Sets a field's value; a choice gains an option for a value it lacks.
function setFieldValue(input, value) {
  if (input.tagName === 'SELECT' && !Array.from(input.options).some(o => o.value === value)) {
    const o = document.createElement('option');
    o.value = value;
    o.textContent = value;
    input.appendChild(o);
  }
  input.value = value;
}

// Fills the form from an XML settings document: every field whose element
// (a child of the root) holds the attribute gets its value and is enabled.
// With all = true (the page settings file) the other fields are disabled;
// otherwise (a fetched setup.xml) they keep their values. Returns the
// number of fields filled.
function fillConfigForm(doc, all) {
  const root = doc.documentElement;
  let filled = 0;
  document.querySelectorAll('#config [data-el]').forEach(input => {
    const el = Array.from(root.children).find(c => c.tagName === input.dataset.el);
    if (el && el.hasAttribute(input.dataset.attr)) {
      setFieldValue(input, el.getAttribute(input.dataset.attr));
      input.disabled = false;
      delete input.dataset.absent;
      filled++;
    } else if (all) {
      input.disabled = true;
      input.dataset.absent = '1';
    }
  });
  return filled;
}

// The form as the page command expects it: element, attribute and value of
// each enabled field, each followed by U+0002. Empty when no field is
// enabled (no settings file was read). A separator typed into a value is
// dropped, so it cannot shift the triples.
function configFormText() {
  let text = '';
  document.querySelectorAll('#config [data-el]').forEach(input => {
    if (input.dataset.absent) return;
    const value = input.value.split(FIELD_SEP).join('');
    text += input.dataset.el + FIELD_SEP + input.dataset.attr + FIELD_SEP + value + FIELD_SEP;
  });
  return text;
}
