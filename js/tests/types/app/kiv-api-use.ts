// kivApi as a page of that application uses it. Every line after an
// expect-error directive must fail to type-check.

const sent: null = kivApi.query({
  name: 'echo',
  args: 'hi',
  callback: function (flag, result) {
    const global: typeof globalThis = this;
    if (flag) {
      const text: string = result;
    } else {
      const anything: KivReceived = result;
    }
  },
});
kivApi.query({
  name: 'save',
  args: { path: 'a.txt', lines: ['x'] },
  callback: (ok, result) => {
    if (!ok) {
      const code: number = result.code;
    } else {
      const nothing: null = result;
    }
  },
});
kivApi.query({ name: 'ping' });
kivApi.query({ name: 'find' });
kivApi.query({ name: 'echo', args: 'no callback', callback: undefined });

// @ts-expect-error a name outside the contract
kivApi.query({ name: 'nope', args: 1 });
// @ts-expect-error arguments of the wrong type
kivApi.query({ name: 'echo', args: 5 });
// @ts-expect-error arguments left out of a query that takes them
kivApi.query({ name: 'echo' });
// @ts-expect-error query returns null, never the result
const result: string = kivApi.query({ name: 'echo', args: 'x' });
// @ts-expect-error the callback's flag is a boolean
kivApi.query({ name: 'echo', args: 'x', callback: (flag: number) => {} });
// @ts-expect-error a callback must be a function
kivApi.query({ name: 'echo', args: 'x', callback: null });

const id: number = kivApi.registerCallback('tick', function (payload) {
  const n: number = payload;
});
kivApi.registerCallback('status', (status) => {
  const online: boolean = status.online;
});
const removed: boolean = kivApi.unregisterCallback(id);
// Registration ids start at 0: a valid id, not a failure.
const first: boolean = kivApi.unregisterCallback(0);

// @ts-expect-error an event outside the contract
kivApi.registerCallback('tock', () => {});
// @ts-expect-error the payload's type
kivApi.registerCallback('tick', (payload: string) => {});
// @ts-expect-error an id is a number
kivApi.unregisterCallback('0');

function errorText(error: KivBridgeError): KivErrorText {
  return error.message;
}
const text: KivQueryErrorText = "A query needs exectly one object paramter!";
// @ts-expect-error the bridge's texts are exact, typos included
const corrected: KivQueryErrorText = "A query needs exactly one object parameter!";

// Contracts whose values cannot cross are refused.
interface DatedQueries {
  when: { args: Date; result: null };
}
interface CallbackQueries {
  run: { args: { then: () => void }; result: null };
}
interface BinaryEvents {
  blob: Uint8Array | Map<string, number>;
}
// @ts-expect-error a Date cannot be sent
type DatedApi = KivApi<DatedQueries>;
// @ts-expect-error a function cannot be sent usefully
type CallbackApi = KivApi<CallbackQueries>;
// @ts-expect-error nor can binary data or a Map arrive
type BinaryApi = KivApi<{}, BinaryEvents>;
