// Declarations of kivApi, the global that kiv-subprocess installs in every
// page. They describe the bridge exactly as it behaves; the tests of this
// workspace check each statement against the real renderer.
//
// An application declares its contract by adding to two interfaces:
//
//   declare global {
//     interface KivQueryMap {
//       echo: { args: string; result: string };
//       save: { args: { path: string; text: string }; result: null; failure: string };
//     }
//     interface KivEventMap { tick: number }
//   }
//
// Without any entry, every name is accepted with any value.

/**
 * A value a page can send as a query's `args`. It crosses as a message
 * value: `undefined` and `null` both arrive as null, every finite number
 * arrives as a double, arrays as lists and objects (functions too) as
 * dictionaries of their enumerable properties, inherited ones included, with
 * the keys sorted; a property with an empty key is dropped. An unpaired
 * surrogate in a string arrives as U+FFFD. Dates, NaN and infinite numbers
 * are refused ("The specified argument cannot be passed to a query!"),
 * anywhere inside the value, and so is an object with two keys that would
 * arrive as the same key; pages cannot send binary data.
 */
type KivSendable =
  | null
  | undefined
  | boolean
  | number
  | string
  | readonly KivSendable[]
  | { readonly [key: string]: KivSendable };

/**
 * A value a page receives from the browser process (a reply's result or an
 * event's payload): null, a boolean, a number (an int or a double of the
 * message), a string, an array or a plain object of these. Binary data
 * arrives as the string "Invalid message value type, please report!" in a
 * reply's result and as null in an event's payload.
 */
type KivReceived =
  | null
  | boolean
  | number
  | string
  | KivReceived[]
  | { [key: string]: KivReceived };

/** The texts the bridge throws (as the message of an Error). */
type KivQueryErrorText =
  | "A query needs exectly one object paramter!"
  | "Query needs a field named 'name' which is of type string!"
  | "The query field 'callback' must be either a function or undefined!"
  | "The specified argument cannot be passed to a query!"
  | "The specified argument is nested too deeply!"
  | "Failed to get object keys!";
type KivRegisterErrorText =
  | "First argument must be a string!"
  | "Second argument must be a function!"
  | "The specified callback name is not known!";
type KivUnregisterErrorText = "Argument needs to be an int!";
type KivErrorText = KivQueryErrorText | KivRegisterErrorText | KivUnregisterErrorText;

/** What kivApi's methods throw when the bridge refuses a call. */
interface KivBridgeError extends Error {
  message: KivErrorText;
}

/** One query of an application's contract. */
interface KivQueryEntry {
  /** The query's argument; leave it out for a query that takes none. */
  args?: KivSendable;
  /** The result of a reply whose flag is true. */
  result?: KivReceived;
  /** The result of a reply whose flag is false. */
  failure?: KivReceived;
}

/** The application's queries, by name. Add entries by declaration merging. */
interface KivQueryMap {}
/** The application's events and their payloads. Add entries likewise. */
interface KivEventMap {}

/** Any query name with any value, for applications that declare none. */
interface KivAnyQueries {
  [name: string]: { args?: KivSendable; result: KivReceived; failure: KivReceived };
}
/** Any event name with any payload. */
interface KivAnyEvents {
  [name: string]: KivReceived;
}

/** The queries in force: the application's, or any when it declares none. */
type KivQueries = keyof KivQueryMap extends never ? KivAnyQueries : KivQueryMap;
/** The events in force. */
type KivEvents = keyof KivEventMap extends never ? KivAnyEvents : KivEventMap;

/**
 * T where every part of it can be sent, never where a part cannot (a Date,
 * a function, a Map, ...). Interfaces pass as well as type aliases.
 */
type KivSendableOf<T> =
  T extends null | undefined | boolean | number | string ? T :
  T extends Date ? never :
  T extends (...args: any[]) => any ? never :
  T extends readonly (infer U)[] ? readonly KivSendableOf<U>[] :
  T extends object ? { [K in keyof T]: KivSendableOf<T[K]> } :
  never;

/** T where every part of it can be received, never where a part cannot. */
type KivReceivedOf<T> =
  T extends null | boolean | number | string ? T :
  T extends Date ? never :
  T extends (...args: any[]) => any ? never :
  T extends readonly (infer U)[] ? KivReceivedOf<U>[] :
  T extends object ? { [K in keyof T]: KivReceivedOf<T[K]> } :
  never;

/** Checks a query map: arguments that can be sent, results that can arrive. */
type KivQueryContract<Q> = {
  [N in keyof Q]: {
    args?: KivSendableOf<KivArgsOf<Q[N]>>;
    result?: KivReceivedOf<KivResultOf<Q[N]>>;
    failure?: KivReceivedOf<KivFailureOf<Q[N]>>;
  };
};
/** Checks an event map: payloads that can arrive. */
type KivEventContract<E> = { [N in keyof E]: KivReceivedOf<E[N]> };

/** A query's argument type (undefined when it takes none). */
type KivArgsOf<S> = "args" extends keyof S ? S["args" & keyof S] : undefined;
/** A query's result type (null when none is declared). */
type KivResultOf<S> = "result" extends keyof S ? S["result" & keyof S] : null;
/** A failed reply's result type (any received value when none is declared). */
type KivFailureOf<S> = "failure" extends keyof S ? S["failure" & keyof S] : KivReceived;

/**
 * A reply: the flag as a boolean and the result. `this` is the page's
 * global object. What the function returns is dropped; an exception it
 * throws ends that call only, later replies run it again.
 */
type KivReplyCallback<S> = (
  this: typeof globalThis,
  ...reply: [flag: true, result: KivResultOf<S>] | [flag: false, result: KivFailureOf<S>]
) => void;

/** The object kivApi.query takes. Other fields are ignored. */
type KivQueryObject<Q, N extends keyof Q> = {
  /** A query name the browser process announced; any other is dropped. */
  name: N;
  /** Runs for every reply to this query, as long as the page lives. */
  callback?: KivReplyCallback<Q[N]> | undefined;
} & (undefined extends KivArgsOf<Q[N]>
  ? { args?: KivArgsOf<Q[N]> }
  : { args: KivArgsOf<Q[N]> });

/** kivApi over an application's query and event maps. */
interface KivApi<Q extends KivQueryContract<Q> = KivQueries,
                 E extends KivEventContract<E> = KivEvents> {
  /**
   * Sends a query to the browser process and returns null at once, also
   * for a name the browser process did not announce (then nothing is sent
   * and the callback never runs). Every reply to the query runs the
   * callback, until the page goes away; a query may get any number of
   * replies, or none.
   *
   * Throws, and sends nothing, with one of these messages:
   * "A query needs exectly one object paramter!" (no object given),
   * "Query needs a field named 'name' which is of type string!",
   * "The query field 'callback' must be either a function or undefined!",
   * "The specified argument cannot be passed to a query!" (a Date, NaN or
   * an infinite number inside args, or an object with two keys that would
   * arrive as one), "The specified argument is nested too deeply!" (a value
   * that contains itself, or one nested too deeply), "Failed to get object keys!"
   * (an object whose keys cannot be read, such as a Proxy that throws).
   * A getter or Proxy trap that throws while args are read makes the
   * query throw "The specified argument cannot be passed to a query!";
   * what it threw is also reported as an uncaught error of the page, since
   * the framework reads values inside a verbose TryCatch.
   */
  query<N extends keyof Q & string>(query: KivQueryObject<Q, N>): null;

  /**
   * Subscribes a function to an event the browser process announced; it
   * runs with the payload for every event of that name until it is
   * unregistered or the page goes away. Returns the registration id: ids
   * count from 0 in each renderer process, so 0 is a valid id.
   *
   * Throws "First argument must be a string!",
   * "Second argument must be a function!" or
   * "The specified callback name is not known!" (names are compared
   * exactly, letter case included).
   */
  registerCallback<N extends keyof E & string>(
    name: N,
    callback: (this: typeof globalThis, payload: E[N]) => void
  ): number;

  /**
   * Ends a registration; true when one was removed, false when the id names
   * none (any more). Any page of the renderer may end any registration.
   *
   * Throws "Argument needs to be an int!" for anything but an integer
   * number from -2147483648 to 4294967295; -0 is refused too.
   */
  unregisterCallback(id: number): boolean;
}

/** The bridge of the page, typed by the application's declared maps. */
declare var kivApi: KivApi;
