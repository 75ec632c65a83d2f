// Declarations of kivPage, the page helper of kiv-page.js, typed by the
// application's KivQueryMap and KivEventMap like kivApi itself.
/// <reference path="./kiv-api.d.ts" />

interface KivCallOptions {
  /**
   * Milliseconds until the Promise rejects with a KivTimeoutError: from 1 to
   * 2147483647, or Infinity for none. Default: kivPage.defaultTimeoutMs.
   */
  timeoutMs?: number;
}

interface KivOnceOptions {
  /** Milliseconds until once() rejects with a KivTimeoutError; default none. */
  timeoutMs?: number;
}

/** A reply whose flag was false. */
interface KivQueryError<F = KivReceived> extends Error {
  name: "KivQueryError";
  /** The query name. */
  query: string;
  /** The reply's result. */
  result: F;
}

/** Nothing arrived in time. */
interface KivTimeoutError extends Error {
  name: "KivTimeoutError";
  kind: "query" | "event";
  /** The query name, for a call() that got no reply. */
  query?: string;
  /** The event name, for a once() that got no event. */
  event?: string;
  timeoutMs: number;
}

interface KivQueryErrorConstructor {
  new <F = KivReceived>(query: string, result: F): KivQueryError<F>;
  readonly prototype: KivQueryError;
}

interface KivTimeoutErrorConstructor {
  new (kind: "query" | "event", name: string, timeoutMs: number): KivTimeoutError;
  readonly prototype: KivTimeoutError;
}

/** A query whose replies go to a function until it is stopped. */
interface KivStream {
  /** Stops delivery; true when this call stopped it. */
  stop(): boolean;
  isActive(): boolean;
}

/** The arguments after the name: args (optional when the query takes none), options. */
type KivCallRest<S> = undefined extends KivArgsOf<S>
  ? [args?: KivArgsOf<S>, options?: KivCallOptions]
  : [args: KivArgsOf<S>, options?: KivCallOptions];

interface KivPage<Q extends KivQueryContract<Q> = KivQueries,
                  E extends KivEventContract<E> = KivEvents> {
  /** The time-out of call() when its options give none (10000 at first). */
  defaultTimeoutMs: number;

  /**
   * Sends one query. The first reply settles the Promise: resolved with the
   * result when its flag is true, rejected with a KivQueryError carrying
   * the result when it is false; later replies are ignored. Rejects with a
   * KivTimeoutError when no reply comes in time (as for a name the browser
   * process did not announce), and with the bridge's own Error
   * (KivBridgeError) when the bridge refuses the query.
   */
  call<N extends keyof Q & string>(name: N, ...rest: KivCallRest<Q[N]>): Promise<KivResultOf<Q[N]>>;

  /**
   * Sends one query and passes every reply to onReply until stop().
   * Throws the bridge's Error when the bridge refuses the query.
   */
  stream<N extends keyof Q & string>(
    name: N,
    args: KivArgsOf<Q[N]>,
    onReply: (...reply: [flag: true, result: KivResultOf<Q[N]>] |
                        [flag: false, result: KivFailureOf<Q[N]>]) => void
  ): KivStream;

  /**
   * Subscribes fn to an event (through kivApi.registerCallback); the
   * returned function unsubscribes and returns true when it removed the
   * registration. Throws the bridge's Error for a name it refuses.
   */
  on<N extends keyof E & string>(
    event: N,
    fn: (this: typeof globalThis, payload: E[N]) => void
  ): () => boolean;

  /**
   * The payload of the next event of that name; the registration ends when
   * it arrives or the time-out passes. Rejects with the bridge's Error for
   * a name it refuses.
   */
  once<N extends keyof E & string>(event: N, options?: KivOnceOptions): Promise<E[N]>;

  KivQueryError: KivQueryErrorConstructor;
  KivTimeoutError: KivTimeoutErrorConstructor;
}

/** The page helper, typed by the application's declared maps. */
declare var kivPage: KivPage;
