// Tests under node see the ZARVO_* variables of their environment (ctest
// sets ZARVO_VIDEO, for one); emscripten's getenv otherwise sees none.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (var name in process.env) if (name.indexOf('ZARVO_') === 0) ENV[name] = process.env[name];
});
