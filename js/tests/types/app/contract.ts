// An application's contract, declared as applications do.
interface KivQueryMap {
  echo: { args: string; result: string };
  save: { args: SaveArgs; result: null; failure: { code: number } };
  ping: { result: number };
  find: { args: string | undefined; result: string[] };
}

interface KivEventMap {
  tick: number;
  status: { online: boolean };
}

// Interfaces serve as argument types as well as type aliases do.
interface SaveArgs {
  path: string;
  lines: string[];
}
