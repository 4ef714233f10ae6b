// Keeps the page working offline: every file of the site is cached when the
// worker installs, and answers come from that cache first. The cache's name
// carries the build's fingerprint (filled in by scripts/web.sh), so a new
// build is fetched whole and the old cache is dropped once it takes over.
// Cartridges and tapes a page link names (?cart=, ?tape=) are fetched from the
// network first and kept, so a linked game also starts offline afterwards.
const CACHE = 'm5emu-@SITE_VERSION@';
const SITE = ['./', 'index.html', 'style.css', 'app.js', 'audio-worklet.js', 'm5web.js', 'm5web.wasm',
              'manifest.webmanifest', 'icon.svg', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(SITE)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('m5emu-') && n !== CACHE)
      .map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  const path = url.pathname.slice(self.registration.scope.length - self.location.origin.length);
  const own = request.mode === 'navigate' || SITE.includes(path);
  if (own) {
    // The page itself, whatever its query: from the cache, else the network.
    event.respondWith(caches.open(CACHE).then((cache) =>
      cache.match(request.mode === 'navigate' ? './' : request, { ignoreSearch: true })
        .then((hit) => hit || fetch(request))));
    return;
  }
  // Anything else (a linked cartridge or tape): the network, kept for later;
  // the kept copy when offline.
  event.respondWith(caches.open(CACHE).then((cache) =>
    fetch(request).then((response) => {
      if (response.ok) cache.put(request, response.clone());
      return response;
    }).catch(() => cache.match(request).then((hit) => hit || Response.error()))));
});
