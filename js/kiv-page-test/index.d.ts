// Declarations of kiv-page-test: page tests against the real kiv-subprocess.

/** A number that travels as a double even when it is integral. */
export declare class Double {
  constructor(value: number);
  readonly value: number;
  valueOf(): number;
}

/** A dictionary whose entries keep their order exactly. */
export declare class Dict {
  constructor(entries: Array<[string, Value]>);
  readonly entries: Array<[string, Value]>;
}

/**
 * A message value on the test's side. Numbers: an integer in the signed
 * 32-bit range is an int, any other number a double (NaN and the
 * infinities included); double() forces a double. Strings may hold
 * unpaired surrogates. Uint8Array (Buffer too) is binary.
 */
export type Value =
  | null
  | undefined
  | boolean
  | number
  | string
  | Double
  | Uint8Array
  | Dict
  | Value[]
  | { [key: string]: Value };

/** Makes a number travel as a double: double(5) is 5.0. */
export declare function double(value: number): Double;
/** A dictionary with these entries in this order ($ keys allowed). */
export declare function dict(entries: Array<[string, Value]>): Dict;
/** Binary data from bytes or from base64 text. */
export declare function binary(bytes: Iterable<number> | string): Uint8Array;
/** A string from UTF-16 code units, unpaired surrogates allowed. */
export declare function utf16(units: Iterable<number>): string;
/** The message kind of a value in the exact view. */
export declare function kindOf(value: Value):
  "null" | "bool" | "int" | "double" | "string" | "binary" | "list" | "dictionary";

export declare const values: {
  /** The driver's JSON form of a value, as text. */
  encode(value: Value): string;
  /** The exact view of a parsed JSON-form value. */
  decode(json: unknown): Value;
  /** Ordinary JavaScript values from the exact view. */
  plain(value: Value): unknown;
  /** Parses JSON text, keeping doubles as Double. */
  parse(text: string): unknown;
  Double: typeof Double;
  Dict: typeof Dict;
};

/** What an answer function returns to reply with the flag false. */
export interface Failure {
  readonly result: Value;
}
export declare function failure(result: Value): Failure;

/** The page helper's script, for open({scripts: [kivPageScript, ...]}). */
export declare const kivPageScript: { file: string };

export declare function locate(options?: { kivhost?: string; renderer?: string }):
  { kivhost: string; renderer: string };

/** One line the renderer reported (driver event). */
export interface ConsoleLine {
  event: "console";
  browser: number;
  frame: number;
  level: "log" | "info" | "warn" | "error";
  text: string;
}

export interface UncaughtException {
  event: "exception";
  browser: number;
  frame: number;
  message: string;
  line: number;
}

export interface MessageEvent {
  event: "message";
  browser: number;
  name: string;
  /** The message's arguments in the driver's JSON form. */
  args: unknown;
}

export interface ExitEvent {
  event: "exit";
  code?: number;
  signal?: number;
  signal_name?: string;
  reason: string;
}

export type RendererEvent =
  | ConsoleLine
  | UncaughtException
  | MessageEvent
  | ExitEvent
  | { event: "output"; text: string }
  | { event: "channel_error"; error: string }
  | { event: "request_failed"; request: string; error: string }
  /** A line from kivhost that is no driver output, and why. */
  | { event: "unreadable"; text: string; error: string };

/** A query a page sent, and the replies the test sends to it. */
export declare class Query {
  readonly browser: number;
  /** The request id. */
  readonly id: number;
  readonly name: string;
  /** The argument as ordinary JavaScript values. */
  readonly args: unknown;
  /** The argument with every kind kept (every number a page sends is a Double). */
  readonly exactArgs: Value;
  /** The message's arguments as they arrived, in the driver's JSON form. */
  readonly message: unknown;
  readonly replies: Array<{ flag: boolean; result: Value }>;
  /** Sends a reply with the flag true; any number of times. */
  reply(result?: Value): Promise<void>;
  /** Sends a reply with the flag false. */
  fail(result?: Value): Promise<void>;
}

export interface WaitOptions {
  /** Milliseconds; default: the renderer's timeoutMs. */
  timeoutMs?: number;
}

export interface AnswerOptions {
  /** Answer this many queries, then leave the rest to other answers. */
  times?: number;
}

export interface Answer {
  /** The queries this answer took. */
  readonly calls: Query[];
  /** Stops answering. */
  stop(): void;
}

export type Script = string | { file: string };

export interface OpenOptions {
  /** Default: a new browser. A browser id not seen yet is created. */
  browser?: number;
  /** Default: the next id no frame of the renderer has (ids are unique across browsers); an existing frame navigates. */
  frame?: number;
  /** The frame's name; empty (the default for the first frame) makes it the main frame. */
  name?: string;
  /** Default: the last script file's path, else about:blank. */
  url?: string;
  script?: string;
  file?: string;
  /** Scripts run in order after script and file. */
  scripts?: Script[];
}

export declare class Page {
  readonly browser: number;
  readonly frame: number;
  readonly url: string;
  readonly name: string;
  readonly main: boolean;
  /** Released (or replaced by a navigation, or its browser destroyed). */
  readonly released: boolean;
  readonly console: ConsoleLine[];
  readonly exceptions: UncaughtException[];
  /**
   * The value of code run as global code in the page, as JSON brings it
   * across; a Promise (any thenable) is awaited. Throws a PageTestError
   * when the code throws or its Promise rejects (see its `thrown`).
   */
  evaluate<T = any>(code: string, options?: WaitOptions): Promise<T>;
  /** Runs one more script in the document. */
  addScript(script: Script): Promise<void>;
  /** Releases the document's JavaScript context. */
  release(): Promise<void>;
  /** Gives the frame a new document. */
  navigate(options?: Omit<OpenOptions, "browser" | "frame">): Promise<Page>;
  describe(): string;
  /** The page and its console lines and exceptions, for assertion messages. */
  report(): string;
}

export interface StartOptions {
  /** Announced query names. */
  queries?: string[];
  /** Announced event (callback) names. */
  events?: string[];
  /** Instead of queries and events: the whole start-up list. */
  extraInfo?: Value[];
  /** Path of kivhost; default: KIVHOST, KIV_BUILD_DIR or a build folder nearby. */
  kivhost?: string;
  /** Path of kiv-subprocess; default likewise (KIV_SUBPROCESS). */
  renderer?: string;
  /** More command-line arguments for the renderer. */
  args?: string[];
  /** The time-out of every command and wait, in ms (default 10000). */
  timeoutMs?: number;
  /** A node:test context: the renderer is closed when the test ends. */
  test?: { after(fn: () => unknown): void };
}

export declare class Renderer {
  readonly pid: number;
  readonly events: RendererEvent[];
  readonly console: ConsoleLine[];
  readonly exceptions: UncaughtException[];
  readonly messages: MessageEvent[];
  readonly queries: Query[];
  readonly exit: ExitEvent | null;

  open(options?: OpenOptions): Promise<Page>;
  openBrowser(id?: number): Promise<number>;
  destroyBrowser(browser: number): Promise<void>;

  /** Answers queries of this name with the function's value (or Promise's). */
  answer(name: string,
         fn: (args: any, query: Query) => Value | Failure | Promise<Value | Failure>,
         options?: AnswerOptions): Answer;
  /** Hands queries of this name to fn, which replies with query.reply()/fail(). */
  handle(name: string, fn: (args: any, query: Query) => unknown, options?: AnswerOptions): Answer;
  /** The next query of this name that no answer took. */
  nextQuery(name: string, options?: WaitOptions): Promise<Query>;

  /** Raises an event ("kiv_callback" [event, payload]). */
  raise(event: string, payload?: Value, options?: { browser?: number }): Promise<void>;
  /** Sends any process message to a browser's renderer. */
  sendMessage(browser: number, name: string, args: Value[]): Promise<void>;

  /** Until the answers have replied and the render thread has nothing queued. */
  settle(options?: WaitOptions): Promise<void>;
  /**
   * The waits see only events that arrive after the call: what a command
   * caused has arrived when its Promise resolves, so start the wait first.
   */
  waitFor<T>(test: (event: RendererEvent) => T | undefined,
             options?: WaitOptions & { what?: string }): Promise<T>;
  waitForConsole(match: string | RegExp, options?: WaitOptions): Promise<ConsoleLine>;
  waitForException(options?: WaitOptions): Promise<UncaughtException>;
  waitForExit(options?: WaitOptions): Promise<ExitEvent>;
  /** Lets the renderer run for ms while nothing is sent. */
  wait(ms: number): Promise<unknown>;

  kill(signal?: number | string): Promise<ExitEvent>;
  shutdown(exitCode?: number): Promise<ExitEvent>;
  /** Shuts the renderer down and ends kivhost; safe to call twice. */
  close(): Promise<void>;
}

/** Starts kivhost and a renderer with the announced names. */
export declare function startRenderer(options?: StartOptions): Promise<Renderer>;

/** A failure naming the page, the command and what the renderer did. */
export declare class PageTestError extends Error {
  readonly summary: string;
  readonly page: string;
  readonly command: unknown;
  readonly activity: RendererEvent[];
  /** For evaluate(): what the page threw or rejected with. */
  readonly thrown?: { name?: string; message: string; result?: unknown };
}
